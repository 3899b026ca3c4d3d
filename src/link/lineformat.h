#pragma once

#include "link/portsettings.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

struct UserSettings;

// A serial line's character frame and flow control, as the user chooses them: 7 or 8 data bits, no, even
// or odd parity, 1 or 2 stop bits, no flow control, RTS/CTS or XON/XOFF. The default is 8N1 without flow
// control, what every port ran at before the choice existed.
struct LineFormat
{
    Q_DECLARE_TR_FUNCTIONS(LineFormat)

public:
    // The values are the ones stored under Parity and FlowControl.
    enum class Parity { None = 0, Even = 1, Odd = 2 };
    enum class FlowControl { None = 0, Hardware = 1, Software = 2 };

    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
    FlowControl flowControl = FlowControl::None;

    bool operator==(const LineFormat&) const = default;

    // The frame as scales' manuals write it: "8N1", "7E1", "8O2". Flow control is not part of it.
    QString frameText() const;
    // "8N1", "7e2" and the like; nothing for a frame outside the choices.
    static std::optional<LineFormat> fromFrameText(QStringView text);

    // From the stored values; one outside the choices (a hand-edited file) counts as its default.
    static LineFormat fromSettings(const UserSettings& settings);
    void storeIn(UserSettings& settings) const;

    // The frame and flow control into a port record; port, speed, DTR and RTS are left alone.
    void applyTo(PortSettings& settings) const;

    // The choices, in the order a list shows them.
    static QList<int> dataBitsChoices() { return {7, 8}; }
    static QList<Parity> parityChoices() { return {Parity::None, Parity::Even, Parity::Odd}; }
    static QList<int> stopBitsChoices() { return {1, 2}; }
    static QList<FlowControl> flowControlChoices()
    {
        return {FlowControl::None, FlowControl::Hardware, FlowControl::Software};
    }
    // What a list shows for each choice, in the user's language.
    static QString parityText(Parity parity);
    static QString flowControlText(FlowControl flow);
};
