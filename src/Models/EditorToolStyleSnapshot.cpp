#include "Models/EditorToolStyleSnapshot.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace {

// ---- writing ----------------------------------------------------------------------

class Writer {
public:
    QJsonObject object;
    bool ok = true;

    void number(const char* key, double value) { object.insert(QLatin1String(key), finite(value)); }
    void optionalNumber(const char* key, const std::optional<double>& value)
    {
        if (value)
            number(key, *value);
    }
    void string(const char* key, const QString& value) { object.insert(QLatin1String(key), value); }
    void color(const char* key, const RGBSnapshot& c)
    {
        QJsonObject o { { QStringLiteral("r"), finite(c.r) }, { QStringLiteral("g"), finite(c.g) },
                        { QStringLiteral("b"), finite(c.b) } };
        if (c.a)
            o.insert(QStringLiteral("a"), finite(*c.a));
        object.insert(QLatin1String(key), o);
    }

private:
    // JSON has no infinity or NaN: such a value makes the whole snapshot unwritable.
    double finite(double value)
    {
        ok = ok && std::isfinite(value);
        return value;
    }
};

// ---- reading ----------------------------------------------------------------------

class Reader {
public:
    explicit Reader(QJsonObject o) : object(std::move(o)) { }
    bool ok = true;

    // A required field of the wrong type or missing clears `ok`; an optional one may be
    // absent or null, but present it must have its type.
    double number(const char* key) { return asNumber(value(key)); }
    QString string(const char* key) { return asString(value(key)); }
    RGBSnapshot color(const char* key) { return asColor(value(key)); }
    std::optional<double> optionalNumber(const char* key) { return optional(key, &Reader::asNumber); }
    std::optional<QString> optionalString(const char* key) { return optional(key, &Reader::asString); }
    std::optional<bool> optionalBool(const char* key) { return optional(key, &Reader::asBool); }
    std::optional<RGBSnapshot> optionalColor(const char* key) { return optional(key, &Reader::asColor); }

private:
    static bool isAbsent(const QJsonValue& v) { return v.isUndefined() || v.isNull(); }
    QJsonValue value(const char* key) const { return object.value(QLatin1String(key)); }

    template <typename T>
    std::optional<T> optional(const char* key, T (Reader::*read)(const QJsonValue&))
    {
        const QJsonValue v = value(key);
        if (isAbsent(v))
            return std::nullopt;
        return (this->*read)(v);
    }

    // Each gives a neutral value and clears `ok` when `v` is not of its type.
    double asNumber(const QJsonValue& v)
    {
        ok = ok && v.isDouble();
        return v.isDouble() ? v.toDouble() : 0.0;
    }
    QString asString(const QJsonValue& v)
    {
        ok = ok && v.isString();
        return v.isString() ? v.toString() : QString();
    }
    bool asBool(const QJsonValue& v)
    {
        ok = ok && v.isBool();
        return v.isBool() && v.toBool();
    }
    RGBSnapshot asColor(const QJsonValue& v)
    {
        if (!v.isObject()) {
            ok = false;
            return {};
        }
        const QJsonObject o = v.toObject();
        RGBSnapshot c;
        c.r = asNumber(o.value(QStringLiteral("r")));
        c.g = asNumber(o.value(QStringLiteral("g")));
        c.b = asNumber(o.value(QStringLiteral("b")));
        const QJsonValue alpha = o.value(QStringLiteral("a"));
        if (!isAbsent(alpha))
            c.a = asNumber(alpha);
        return c;
    }

    QJsonObject object;
};

} // namespace

std::optional<QByteArray> ToolStyleSnapshot::toJson() const
{
    Writer w;
    w.color("arrowColor", arrowColor);
    w.number("arrowLineWidth", arrowLineWidth);
    w.string("arrowHeadStyle", arrowHeadStyle);
    w.string("shapeType", shapeType);
    w.color("strokeColor", strokeColor);
    if (fillColor)
        w.color("fillColor", *fillColor);
    w.number("rectLineWidth", rectLineWidth);
    w.string("rectEffect", rectEffect);
    w.color("numberColor", numberColor);
    w.number("numberDiameter", numberDiameter);
    w.string("numberShape", numberShape);
    w.number("mosaicIntensity", mosaicIntensity);
    w.optionalNumber("spotlightDim", spotlightDim);
    if (backdropPreset)
        w.string("backdropPreset", *backdropPreset);
    w.optionalNumber("backdropPadding", backdropPadding);
    w.optionalNumber("backdropCornerRadius", backdropCornerRadius);
    if (backdropShadowEnabled)
        w.object.insert(QStringLiteral("backdropShadowEnabled"), *backdropShadowEnabled);
    w.optionalNumber("backdropShadowIntensity", backdropShadowIntensity);
    w.number("highlighterAlpha", highlighterAlpha);
    w.color("freehandColor", freehandColor);
    w.number("freehandLineWidth", freehandLineWidth);
    w.string("freehandLineCap", freehandLineCap);
    w.color("lineColor", lineColor);
    w.number("lineLineWidth", lineLineWidth);
    w.string("lineStyle", lineStyle);
    w.color("textColor", textColor);
    w.number("fontSize", fontSize);
    w.string("fontName", fontName);
    if (!w.ok)
        return std::nullopt;
    return QJsonDocument(w.object).toJson(QJsonDocument::Compact);
}

std::optional<ToolStyleSnapshot> ToolStyleSnapshot::fromJson(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    Reader r(document.object());
    ToolStyleSnapshot s;
    s.arrowColor = r.color("arrowColor");
    s.arrowLineWidth = r.number("arrowLineWidth");
    s.arrowHeadStyle = r.string("arrowHeadStyle");
    s.shapeType = r.string("shapeType");
    s.strokeColor = r.color("strokeColor");
    s.fillColor = r.optionalColor("fillColor");
    s.rectLineWidth = r.number("rectLineWidth");
    s.rectEffect = r.string("rectEffect");
    s.numberColor = r.color("numberColor");
    s.numberDiameter = r.number("numberDiameter");
    s.numberShape = r.string("numberShape");
    s.mosaicIntensity = r.number("mosaicIntensity");
    s.spotlightDim = r.optionalNumber("spotlightDim");
    s.backdropPreset = r.optionalString("backdropPreset");
    s.backdropPadding = r.optionalNumber("backdropPadding");
    s.backdropCornerRadius = r.optionalNumber("backdropCornerRadius");
    s.backdropShadowEnabled = r.optionalBool("backdropShadowEnabled");
    s.backdropShadowIntensity = r.optionalNumber("backdropShadowIntensity");
    s.highlighterAlpha = r.number("highlighterAlpha");
    s.freehandColor = r.color("freehandColor");
    s.freehandLineWidth = r.number("freehandLineWidth");
    s.freehandLineCap = r.string("freehandLineCap");
    s.lineColor = r.color("lineColor");
    s.lineLineWidth = r.number("lineLineWidth");
    s.lineStyle = r.string("lineStyle");
    s.textColor = r.color("textColor");
    s.fontSize = r.number("fontSize");
    s.fontName = r.string("fontName");
    if (!r.ok)
        return std::nullopt;
    return s;
}
