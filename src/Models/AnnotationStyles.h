#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

// The style enumerations of annotations. Their raw strings are a stored format
// (the tool-style snapshot keeps them), so they must never change; ShapeType's raw
// values are Chinese words, kept verbatim.
//
//   rawValue(ShapeType::circle)            -> "圆形"
//   fromRawValue<ShapeType>("圆形")         -> ShapeType::circle
//   fromRawValue<ShapeType>("circle")       -> std::nullopt (exact, case-sensitive)
//   allCases<LineStyle>()                  -> {solid, dashed, dotted}

enum class ArrowHeadStyle { open, filled, dot };
enum class ShapeType { rectangle, roundedRectangle, circle };
enum class AnnotationEffect { none, mosaic, spotlight };
enum class LineCapStyle { round, butt, taper };
enum class LineStyle { solid, dashed, dotted };
enum class NumberShape { circle, teardrop };

// Case list and raw strings of each style enumeration, in declaration order.
template <typename E> struct StyleEnumTraits;

template <> struct StyleEnumTraits<ArrowHeadStyle> {
    static constexpr std::array cases{ArrowHeadStyle::open, ArrowHeadStyle::filled, ArrowHeadStyle::dot};
    static constexpr std::array<const char*, 3> raw{"open", "filled", "dot"};
};
template <> struct StyleEnumTraits<ShapeType> {
    static constexpr std::array cases{ShapeType::rectangle, ShapeType::roundedRectangle, ShapeType::circle};
    static constexpr std::array<const char*, 3> raw{"直角矩形", "圆角矩形", "圆形"};
};
template <> struct StyleEnumTraits<AnnotationEffect> {
    static constexpr std::array cases{AnnotationEffect::none, AnnotationEffect::mosaic, AnnotationEffect::spotlight};
    static constexpr std::array<const char*, 3> raw{"none", "mosaic", "spotlight"};
};
template <> struct StyleEnumTraits<LineCapStyle> {
    static constexpr std::array cases{LineCapStyle::round, LineCapStyle::butt, LineCapStyle::taper};
    static constexpr std::array<const char*, 3> raw{"round", "butt", "taper"};
};
template <> struct StyleEnumTraits<LineStyle> {
    static constexpr std::array cases{LineStyle::solid, LineStyle::dashed, LineStyle::dotted};
    static constexpr std::array<const char*, 3> raw{"solid", "dashed", "dotted"};
};
template <> struct StyleEnumTraits<NumberShape> {
    static constexpr std::array cases{NumberShape::circle, NumberShape::teardrop};
    static constexpr std::array<const char*, 2> raw{"circle", "teardrop"};
};

template <typename E> constexpr auto allCases() { return StyleEnumTraits<E>::cases; }

template <typename E, typename = decltype(StyleEnumTraits<E>::raw)>
QString rawValue(E value)
{
    const auto index = static_cast<std::size_t>(value);
    return QString::fromUtf8(StyleEnumTraits<E>::raw.at(index));
}

template <typename E> std::optional<E> fromRawValue(const QString& raw)
{
    for (std::size_t i = 0; i < StyleEnumTraits<E>::cases.size(); ++i) {
        if (raw == QString::fromUtf8(StyleEnumTraits<E>::raw[i]))
            return StyleEnumTraits<E>::cases[i];
    }
    return std::nullopt;
}

// Hashing goes through the raw string, so a value hashes like its stored form.
template <typename E, typename = decltype(StyleEnumTraits<E>::raw)>
size_t qHash(E value, size_t seed = 0)
{
    return ::qHash(rawValue(value), seed);
}
