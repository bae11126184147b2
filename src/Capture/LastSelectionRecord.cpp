#include "Capture/LastSelectionRecord.h"

#include "Core/Settings.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace LastSelectionRecord {

namespace {
QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}
} // namespace

QString stringFromRect(const QRectF& rect)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(number(rect.x()), number(rect.y()), number(rect.width()), number(rect.height()));
}

QRectF rectFromString(const QString& text)
{
    static const QRegularExpression numberPattern(
        QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
    double values[4] = {0, 0, 0, 0};
    int found = 0;
    auto it = numberPattern.globalMatch(text);
    while (it.hasNext() && found < 4) {
        bool ok = false;
        const double value = it.next().captured(0).toDouble(&ok);
        values[found++] = ok && std::isfinite(value) ? value : 0.0;
    }
    return QRectF(values[0], values[1], values[2], values[3]);
}

std::optional<std::uint32_t> displayNumberFromStored(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        if (value.typeId() == QMetaType::ULongLong) {
            const qulonglong n = value.toULongLong(&ok);
            if (ok && n <= 4294967295ull)
                return std::uint32_t(n);
            return std::nullopt;
        }
        const qlonglong n = value.toLongLong(&ok);
        if (ok && n >= 0 && n <= 4294967295ll)
            return std::uint32_t(n);
        return std::nullopt;
    }
    case QMetaType::Double: {
        const double n = value.toDouble();
        if (std::isfinite(n) && n == std::floor(n) && n >= 0 && n <= 4294967295.0)
            return std::uint32_t(n);
        return std::nullopt;
    }
    case QMetaType::QString: {
        static const QRegularExpression digits(QStringLiteral(R"(^\d{1,10}$)"));
        const QString text = value.toString();
        if (!digits.match(text).hasMatch())
            return std::nullopt;
        const qulonglong n = text.toULongLong();
        if (n > 4294967295ull)
            return std::nullopt;
        return std::uint32_t(n);
    }
    default:
        return std::nullopt;
    }
}

std::optional<LastSelection> read(UserDefaults& defaults, const QList<std::uint32_t>& connectedDisplays)
{
    const std::optional<QString> text = Settings::lastSelectionRect.read(defaults);
    if (!text || text->isEmpty())
        return std::nullopt;
    const std::optional<std::uint32_t> display = displayNumberFromStored(Settings::lastSelectionDisplay.read(defaults));
    if (!display)
        return std::nullopt;
    const QRectF rect = rectFromString(*text);
    if (!(rect.width() > 0.0) || !(rect.height() > 0.0))
        return std::nullopt;
    if (!connectedDisplays.contains(*display))
        return std::nullopt;
    return LastSelection{rect, *display};
}

void store(UserDefaults& defaults, const LastSelection& selection)
{
    Settings::lastSelectionRect.write(stringFromRect(selection.rect), defaults);
    Settings::lastSelectionDisplay.write(selection.displayNumber, defaults);
}

void clear(UserDefaults& defaults)
{
    Settings::lastSelectionRect.remove(defaults);
    Settings::lastSelectionDisplay.remove(defaults);
}

} // namespace LastSelectionRecord
