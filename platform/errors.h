// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The failure a control operation raises, with a number and a description
// (what the viewer writes into the Debugger when one of its handlers fails).

#include <QString>
#include <stdexcept>

namespace platform {

// Numbers raised by the platform layer.  Each is documented where raised.
namespace err {
constexpr int Overflow = 6;            // 16/32-bit arithmetic overflow
constexpr int InvalidValue = 380;      // a property written outside its range
constexpr int NoSuchElement = 340;     // a control-group element that does not exist
constexpr int ElementExists = 360;     // a control-group element created twice
constexpr int NoPlayerEngine = 9001;   // the media player component could not be created
}   // namespace err

class VbError : public std::runtime_error {
public:
    VbError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description)
    {
    }
    int number() const { return m_number; }
    const QString &description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

}   // namespace platform
