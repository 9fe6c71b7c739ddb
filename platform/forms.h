// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The window model.
//
// Every window is a single process-wide instance.  Loading creates it from
// its design (the constructor) and runs Form_Load; showing loads it if
// needed and makes it visible; unloading runs Form_Unload and then destroys
// it.  Touching a window that is not loaded loads it.  The process ends when
// the last window has been unloaded.
//
// Unloads nest, because fades yield to the event loop inside Form_Unload:
//  - unloading a window whose unload is already running does nothing (its
//    Form_Unload never runs twice);
//  - showing a window whose unload is running reopens it, afresh from its
//    design, as soon as that unload has finished;
//  - touching it meanwhile gives the window that is going away.
// Once the system shuts down no window comes back: shows of windows that
// are not loaded are ignored, and a touched window answers from its design
// without loading (it is never shown and is thrown away).

#include "twips.h"
#include "user32.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class Form;

// The top-level window of a form.  Its close box unloads the form.
class FormWindow : public QWidget {
    Q_OBJECT
public:
    explicit FormWindow(Form *form);
    Form *form() const { return m_form; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Form *m_form;
};

enum class BorderStyle { None, FixedToolWindow };
enum class StartPosition { Manual, CenterScreen, WindowsDefault };

class Form : public QObject {
    Q_OBJECT
public:
    enum class State { Design, Loaded, Unloading, Dead };

    explicit Form(const QString &name);
    ~Form() override;

    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // A close request from the window system (close box, Alt+F4): setting
    // Cancel keeps the window; otherwise it is unloaded.
    virtual void Form_QueryUnload(int &Cancel, int UnloadMode)
    {
        (void)Cancel;
        (void)UnloadMode;
    }
    static constexpr int vbFormControlMenu = 0;

    bool eventFilter(QObject *watched, QEvent *event) override;

    const QString &name() const { return m_name; }
    State state() const { return m_state; }
    bool isLoaded() const { return m_state == State::Loaded || m_state == State::Unloading; }
    bool isUnloading() const { return m_state == State::Unloading; }

    FormWindow *window() const { return m_window; }
    HWND hWnd() const { return m_window; }

    // Outer frame position and size, in twips.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twips);
    void setTop(int twips);
    void Move(int left, int top);
    QString Caption() const;

    // The frame around the client area.  Until the window system has framed
    // a window, the frame last seen on a window of the same border stands in.
    QMargins frameMargins() const;
    // Tests: the frame to assume where the window system shows none.
    static void setAssumedFrame(const QMargins &margins);
    static void forgetLearntFrame();

protected:
    // Design helpers, used by the constructors.
    void designWindow(const QString &caption, BorderStyle border, int clientWidthTwips, int clientHeightTwips,
                      StartPosition start, const QColor &background);
    // The window covers the whole primary monitor, in the window manager's
    // full-screen state; the program's other windows are kept above it.
    void setMaximised(bool on);

private:
    friend class Forms;
    friend class FormWindow;
    void makeVisible(bool activate = true);
    void keepAboveOwner();
    void teardown();
    void placeAtStart();
    void keepPlaced();

    QString m_name;
    State m_state = State::Design;
    FormWindow *m_window = nullptr;
    StartPosition m_start = StartPosition::Manual;
    BorderStyle m_border = BorderStyle::None;
    bool m_maximised = false;
    bool m_placed = false;
    // The position last set, in twips: pixels alone would lose the fraction.
    QPoint m_twipsPos{-1, -1};
    QPoint m_twipsPosPixels{-1, -1};
    // Where the frame's corner was asked to stand (screen pixels), or that
    // it stands centred: asked again of a window manager that put the window
    // elsewhere, a few times while it is being mapped.
    std::optional<QPoint> m_wantedFrame;
    bool m_centred = false;
    int m_corrections = 0;
    QElapsedTimer m_shown;
    struct Slot *m_slot = nullptr;
};

struct Slot {
    const char *name;
    std::function<Form *()> create;
    Form *current = nullptr;
    bool reopen = false;
};

class Forms {
public:
    // The loaded instance, loading it first when it is not loaded (a touch).
    template <class T> static T &get() { return static_cast<T &>(*touch(slot<T>())); }
    // The loaded instance or null; never loads.
    template <class T> static T *find() { return static_cast<T *>(slot<T>().current); }
    template <class T> static T &load() { return static_cast<T &>(*loadSlot(slot<T>())); }
    template <class T> static void show() { showSlot(slot<T>()); }
    // Shows it without taking the keyboard from the window that has it.
    template <class T> static void showInactive() { showSlot(slot<T>(), false); }
    template <class T> static void unload() { unloadSlot(slot<T>()); }
    template <class T> static bool isLoaded() { return slot<T>().current != nullptr; }

    static void unload(Form *form);
    static int loadedCount();
    static std::vector<Form *> loaded();

    // Shutdown: from here on nothing that is not loaded comes back.
    static void beginShutdown();
    static bool shuttingDown();
    static void unloadAll();

    // Called when the last window has been unloaded; the program ends there.
    static void setOnAllUnloaded(std::function<void()> fn);

    // Frees the windows that have been unloaded, when no handler is running.
    static void collect();
    static int deadCount();

    // Tests: forget every window, loaded or dead, and leave shutdown.
    static void reset();

    template <class T> static Slot &slot()
    {
        static Slot s{T::FormName, [] { return static_cast<Form *>(new T); }};
        return s;
    }

private:
    static Form *touch(Slot &s);
    static Form *loadSlot(Slot &s);
    static void showSlot(Slot &s, bool activate = true);
    static void unloadSlot(Slot &s);
    static void bury(Form *form);
};

}   // namespace platform
