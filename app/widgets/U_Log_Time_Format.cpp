#include "U_Log_Time_Format.h"

namespace {

// Qt time-format letters for the AM/PM designator ("AP", "ap", "A", "a").
int DesignatorPosition(const QString& pattern) {
    for (int i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == QLatin1Char('\'')) {
            // skip quoted literal text
            const int close = pattern.indexOf(QLatin1Char('\''), i + 1);
            if (close < 0) {
                break;
            }
            i = close;
            continue;
        }
        if (pattern[i] == QLatin1Char('a') || pattern[i] == QLatin1Char('A')) {
            return i;
        }
    }
    return -1;
}

int HourPosition(const QString& pattern) {
    for (int i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == QLatin1Char('h') || pattern[i] == QLatin1Char('H')) {
            return i;
        }
    }
    return -1;
}

} // namespace

TLogTimeFormat LogTimeFormatFromLocale(const QLocale& locale) {
    const QString pattern = locale.timeFormat(QLocale::LongFormat);
    TLogTimeFormat format;
    const int hour = HourPosition(pattern);
    format.leadingZeroHours =
        hour >= 0 && hour + 1 < pattern.size() && pattern[hour + 1] == pattern[hour];
    const int designator = DesignatorPosition(pattern);
    format.twelveHourClock = designator >= 0;
    format.designatorFirst = format.twelveHourClock && hour >= 0 && designator < hour;
    format.amDesignator = locale.amText();
    format.pmDesignator = locale.pmText();
    return format;
}

QString FormatLogTime(const TLogTimeFormat& format, const QTime& time) {
    int hour = time.hour();
    if (format.twelveHourClock) {
        hour = hour % 12 == 0 ? 12 : hour % 12;
    }
    QString text = format.leadingZeroHours ? QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0'))
                                           : QString::number(hour);
    text += QStringLiteral(":%1:%2")
                .arg(time.minute(), 2, 10, QLatin1Char('0'))
                .arg(time.second(), 2, 10, QLatin1Char('0'));
    if (format.twelveHourClock) {
        const QString& designator = time.hour() < 12 ? format.amDesignator : format.pmDesignator;
        text = format.designatorFirst ? designator + QLatin1Char(' ') + text
                                      : text + QLatin1Char(' ') + designator;
    }
    return text;
}
