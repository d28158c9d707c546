// The time stamp of the message logs: the user's long time format reduced to
// hours, minutes and seconds, keeping the locale's choices of leading zero,
// 12-hour clock and AM/PM position.
#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

struct TLogTimeFormat {
    bool leadingZeroHours = true;
    bool twelveHourClock = false;
    bool designatorFirst = false; // "PM 9:05:00" rather than "9:05:00 PM"
    QString amDesignator;
    QString pmDesignator;
};

TLogTimeFormat LogTimeFormatFromLocale(const QLocale& locale);

QString FormatLogTime(const TLogTimeFormat& format, const QTime& time);
