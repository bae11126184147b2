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

    void number(const char* key, double value)
    {
        if (!std::isfinite(value))
            ok = false;
        object.insert(QLatin1String(key), value);
    }
    void optionalNumber(const char* key, const std::optional<double>& value)
    {
        if (value)
            number(key, *value);
    }
    void string(const char* key, const QString& value) { object.insert(QLatin1String(key), value); }
    void color(const char* key, const RGBSnapshot& c)
    {
        QJsonObject o;
        for (auto [name, v] : { std::pair { "r", c.r }, std::pair { "g", c.g }, std::pair { "b", c.b } }) {
            if (!std::isfinite(v))
                ok = false;
            o.insert(QLatin1String(name), v);
        }
        if (c.a) {
            if (!std::isfinite(*c.a))
                ok = false;
            o.insert(QStringLiteral("a"), *c.a);
        }
        object.insert(QLatin1String(key), o);
    }
};

// ---- reading ----------------------------------------------------------------------

class Reader {
public:
    explicit Reader(QJsonObject o) : object(std::move(o)) { }
    bool ok = true;

    double number(const char* key) { return requiredNumber(object.value(QLatin1String(key))); }
    QString string(const char* key)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (!v.isString()) {
            ok = false;
            return {};
        }
        return v.toString();
    }
    RGBSnapshot color(const char* key)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (!v.isObject()) {
            ok = false;
            return {};
        }
        return colorFrom(v.toObject());
    }
    std::optional<RGBSnapshot> optionalColor(const char* key)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (isAbsent(v))
            return std::nullopt;
        if (!v.isObject()) {
            ok = false;
            return std::nullopt;
        }
        return colorFrom(v.toObject());
    }
    std::optional<double> optionalNumber(const char* key)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (isAbsent(v))
            return std::nullopt;
        return requiredNumber(v);
    }
    std::optional<QString> optionalString(const char* key)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (isAbsent(v))
            return std::nullopt;
        if (!v.isString()) {
            ok = false;
            return std::nullopt;
        }
        return v.toString();
    }
    std::optional<bool> optionalBool(const char* key)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (isAbsent(v))
            return std::nullopt;
        if (!v.isBool()) {
            ok = false;
            return std::nullopt;
        }
        return v.toBool();
    }

private:
    static bool isAbsent(const QJsonValue& v) { return v.isUndefined() || v.isNull(); }
    double requiredNumber(const QJsonValue& v)
    {
        if (!v.isDouble()) {
            ok = false;
            return 0.0;
        }
        return v.toDouble();
    }
    RGBSnapshot colorFrom(const QJsonObject& o)
    {
        RGBSnapshot c;
        c.r = requiredNumber(o.value(QStringLiteral("r")));
        c.g = requiredNumber(o.value(QStringLiteral("g")));
        c.b = requiredNumber(o.value(QStringLiteral("b")));
        const QJsonValue alpha = o.value(QStringLiteral("a"));
        if (!isAbsent(alpha))
            c.a = requiredNumber(alpha);
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
