// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// A child X window over a widget that shows pictures made in shared
// memory (xshm.h): the X server copies each frame in, and nothing goes
// through Qt's backing store on the way.  Interface thread only.

#include <QAbstractNativeEventFilter>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <deque>
#include <memory>

class QWidget;

namespace media {

class XVideoWindow : public QAbstractNativeEventFilter {
public:
    // Null when this display cannot take shared pictures.
    static std::unique_ptr<XVideoWindow> create(QWidget *widget);
    ~XVideoWindow() override;
    XVideoWindow(const XVideoWindow &) = delete;
    XVideoWindow &operator=(const XVideoWindow &) = delete;

    // Shows the picture centred over the widget, black around it; a null
    // picture shows black.  False when it cannot be shown this way (not a
    // shared picture, the window not ready): the window is then taken
    // away and the widget paints for itself.
    bool show(const QImage &picture);
    void hide();
    bool isShown() const { return m_mapped; }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override;

private:
    explicit XVideoWindow(QWidget *widget);
    bool place();
    bool makeWindow(unsigned parent);
    void put();
    void settle(size_t keep);

    QPointer<QWidget> m_widget;
    unsigned m_parent = 0;   // the top-level window ours was made in
    unsigned m_window = 0;
    unsigned m_gc = 0;
    bool m_unusable = false;   // that top-level's colours do not fit
    bool m_mapped = false;
    QRect m_geometry;
    QImage m_shown;
    unsigned m_segment = 0;   // m_shown's, while it is on show
    QRect m_shownRect;
    // Pictures the server may still be reading, each with a request after
    // its put: once that request is answered, the picture may be reused.
    struct Pending {
        QImage picture;
        unsigned sequence;
    };
    std::deque<Pending> m_pending;
};

}   // namespace media
