#include "OcrHelper/HanGlyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace HanGlyphs {

InkBounds inkBounds(const float* ink, int width, int height, int stride, float inkAt)
{
    InkBounds bounds{width, height, -1, -1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (ink[size_t(y) * size_t(stride) + size_t(x)] >= inkAt) {
                bounds.left = std::min(bounds.left, x);
                bounds.right = std::max(bounds.right, x);
                bounds.top = std::min(bounds.top, y);
                bounds.bottom = std::max(bounds.bottom, y);
            }
    return bounds;
}

std::optional<InkGrid> gridOf(const float* ink, int width, int height, int stride, Shading shading)
{
    // The ink's bounds: a stray speck of antialiasing is no ink.
    constexpr float inkAt = 0.5f;
    const InkBounds bounds = inkBounds(ink, width, height, stride, inkAt);
    if (bounds.empty())
        return std::nullopt;
    const int left = bounds.left, top = bounds.top, w = bounds.width(), h = bounds.height();
    InkGrid grid;
    grid.aspect = double(w) / double(h);
    grid.inkHeight = h;
    // Every pixel adds to the cells its square covers, in proportion to the part of it
    // in each, so blocks smaller than the grid stretch and larger ones shrink evenly.
    const auto spans = [](int length) {
        std::vector<std::vector<std::pair<int, float>>> out{size_t(length)};
        const double scale = double(gridSide) / length;
        for (int i = 0; i < length; ++i) {
            const double from = i * scale, to = (i + 1) * scale;
            for (int cell = int(from); cell < gridSide && cell < to; ++cell) {
                const double part = std::min<double>(to, cell + 1) - std::max<double>(from, cell);
                if (part > 0)
                    out[size_t(i)].emplace_back(cell, float(part / scale));
            }
        }
        return out;
    };
    const auto across = spans(w), down = spans(h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float pixel = ink[size_t(top + y) * size_t(stride) + size_t(left + x)];
            const float value = shading == Shading::Graded ? std::clamp(pixel, 0.0f, 1.0f) : pixel >= inkAt ? 1.0f : 0.0f;
            if (value == 0.0f)
                continue;
            for (const auto& [row, rowPart] : down[size_t(y)])
                for (const auto& [column, columnPart] : across[size_t(x)])
                    grid.cells[size_t(row * gridSide + column)] += value * rowPart * columnPart;
        }
    // From ink per cell to the share of the cell that is ink.
    const float cellArea = float(w) * float(h) / float(gridSide * gridSide);
    for (float& cell : grid.cells)
        cell /= cellArea;
    return grid;
}

// How alike two grids are: their correlation, from -1 to 1.
double likeness(const InkGrid& a, const InkGrid& b)
{
    const size_t count = a.cells.size();
    double meanA = 0, meanB = 0;
    for (size_t i = 0; i < count; ++i) {
        meanA += a.cells[i];
        meanB += b.cells[i];
    }
    meanA /= count;
    meanB /= count;
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < count; ++i) {
        const double da = a.cells[i] - meanA, db = b.cells[i] - meanB;
        ab += da * db;
        aa += da * da;
        bb += db * db;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

struct Renderer::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file;
    int index = 0;
    ~Face()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

namespace {

// The file and index of the face of `family` ("sans-serif", "serif") fontconfig picks
// for Chinese text of `language` ("zh-cn", "zh-tw", "zh-hk"), bold or not.
bool locateChineseFace(FcConfig* config, const char* family, const char* language, bool bold, std::string& file, int& index)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    if (bold)
        FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    bool found = false;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
        index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        found = true;
    }
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

Renderer::Renderer()
{
    // The Mainland faces first: they are the ones every caller draws in.
    struct Wanted {
        const char* family;
        const char* language;
        bool bold;
    };
    const Wanted wanted[] = {{"sans-serif", "zh-cn", false}, {"serif", "zh-cn", false}, {"sans-serif", "zh-tw", false},
                             {"serif", "zh-tw", false},      {"sans-serif", "zh-hk", false}, {"serif", "zh-hk", false},
                             {"sans-serif", "zh-cn", true},  {"serif", "zh-cn", true},       {"sans-serif", "zh-tw", true},
                             {"serif", "zh-tw", true},       {"sans-serif", "zh-hk", true},  {"serif", "zh-hk", true}};
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return;
    for (const auto& [family, language, bold] : wanted) {
        std::string file;
        int index = 0;
        if (!locateChineseFace(config, family, language, bold, file, index))
            continue;
        auto face = std::make_unique<Face>();
        if (FT_Init_FreeType(&face->library) != 0 || FT_New_Face(face->library, file.c_str(), index, &face->face) != 0)
            continue;
        // A face that cannot draw a common ideograph is no Chinese face (the match fell
        // back to a Latin one); one already taken (no serif face installed, the sans-serif
        // one stands in) draws nothing new.
        if (FT_Get_Char_Index(face->face, U'中') == 0)
            continue;
        const bool taken = std::any_of(faces_.begin(), faces_.end(), [&](const std::unique_ptr<Face>& other) {
            return other->file == file && other->index == index;
        });
        if (taken)
            continue;
        face->file = file;
        face->index = index;
        faces_.push_back(std::move(face));
        if (std::string(language) == "zh-cn" && !bold)
            mainland_ = int(faces_.size());
    }
    FcConfigDestroy(config);
}

Renderer::~Renderer() = default;

Renderer& Renderer::shared()
{
    static Renderer renderer;
    return renderer;
}

int Renderer::faces() const { return mainland_; }

int Renderer::regionalFaces() const { return int(faces_.size()); }

const std::optional<InkGrid>& Renderer::draw(char32_t character, int inkHeight, int face, Shading shading)
{
    return draw(std::u32string(1, character), inkHeight, face, shading);
}

const std::optional<InkGrid>& Renderer::draw(const std::u32string& characters, int inkHeight, int face, Shading shading)
{
    const auto key = std::make_tuple(characters, inkHeight, face, shading);
    auto found = drawn_.find(key);
    if (found == drawn_.end())
        found = drawn_.emplace(key, drawAnew(characters, inkHeight, face, shading)).first;
    return found->second;
}

std::shared_ptr<const Coverage> Renderer::drawAsScreens(char32_t character, int em64, int phase64, int face)
{
    const auto key = std::make_tuple(character, em64, phase64, face);
    if (const auto found = drawnAsScreens_.find(key); found != drawnAsScreens_.end())
        return found->second;
    std::shared_ptr<Coverage> coverage;
    const FT_Face drawing = face >= 0 && face < regionalFaces() ? faces_[size_t(face)]->face : nullptr;
    const FT_UInt glyph = drawing ? FT_Get_Char_Index(drawing, character) : 0;
    FT_Vector pen{phase64, 0};
    if (glyph != 0 && em64 >= 4 * 64 && em64 <= 512 * 64 && FT_Set_Char_Size(drawing, 0, em64, 72, 72) == 0) {
        FT_Set_Transform(drawing, nullptr, &pen);
        if (FT_Load_Glyph(drawing, glyph, FT_LOAD_TARGET_LIGHT) == 0 && FT_Render_Glyph(drawing->glyph, FT_RENDER_MODE_NORMAL) == 0
            && drawing->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_Bitmap& bitmap = drawing->glyph->bitmap;
            coverage = std::make_shared<Coverage>();
            coverage->width = int(bitmap.width);
            coverage->height = int(bitmap.rows);
            coverage->ink.resize(size_t(coverage->width) * size_t(coverage->height));
            for (int y = 0; y < coverage->height; ++y)
                for (int x = 0; x < coverage->width; ++x)
                    coverage->ink[size_t(y) * size_t(coverage->width) + size_t(x)] = bitmap.buffer[std::ptrdiff_t(y) * bitmap.pitch + x] / 255.0f;
        }
        // The other drawings of this face are at whole pixels.
        FT_Set_Transform(drawing, nullptr, nullptr);
    }
    // About 16 MB of drawings at most: a page's small type takes a few hundred kilobytes.
    constexpr size_t mostPixelsKept = size_t(1) << 22;
    const size_t pixels = coverage ? coverage->ink.size() : 0;
    if (pixelsDrawnAsScreens_ + pixels > mostPixelsKept) {
        drawnAsScreens_.clear();
        pixelsDrawnAsScreens_ = 0;
    }
    pixelsDrawnAsScreens_ += pixels;
    drawnAsScreens_.emplace(key, coverage);
    return coverage;
}

std::optional<InkGrid> Renderer::drawAnew(const std::u32string& characters, int inkHeight, int face, Shading shading)
{
    if (face < 0 || face >= faces() || inkHeight < 4 || characters.empty())
        return std::nullopt;
    const FT_Face drawing = faces_[size_t(face)]->face;
    std::vector<FT_UInt> glyphs;
    for (const char32_t character : characters) {
        glyphs.push_back(FT_Get_Char_Index(drawing, character));
        if (glyphs.back() == 0)
            return std::nullopt;
    }
    // The characters side by side at their advances, on a canvas as tall as the face's
    // line; its ink rows.
    struct Drawn {
        std::vector<float> ink;
        int width = 0, height = 0, inkRows = 0;
    };
    const auto render = [&](int pixels) -> std::optional<Drawn> {
        if (FT_Set_Pixel_Sizes(drawing, 0, FT_UInt(std::clamp(pixels, 4, 512))) != 0)
            return std::nullopt;
        const int ascent = int(drawing->size->metrics.ascender >> 6) + 2;
        const int height = ascent + int(-drawing->size->metrics.descender >> 6) + 4;
        Drawn drawn;
        drawn.height = height;
        drawn.width = 4 + int(glyphs.size()) * (pixels * 2 + 4);
        drawn.ink.assign(size_t(drawn.width) * size_t(height), 0.0f);
        int penX = 2;
        for (const FT_UInt glyph : glyphs) {
            if (FT_Load_Glyph(drawing, glyph, FT_LOAD_DEFAULT) != 0 || FT_Render_Glyph(drawing->glyph, FT_RENDER_MODE_NORMAL) != 0)
                return std::nullopt;
            const FT_Bitmap& bitmap = drawing->glyph->bitmap;
            if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0)
                return std::nullopt;
            for (unsigned y = 0; y < bitmap.rows; ++y)
                for (unsigned x = 0; x < bitmap.width; ++x) {
                    const int cx = penX + drawing->glyph->bitmap_left + int(x), cy = ascent - drawing->glyph->bitmap_top + int(y);
                    if (cx < 0 || cy < 0 || cx >= drawn.width || cy >= height)
                        continue;
                    float& cell = drawn.ink[size_t(cy) * size_t(drawn.width) + size_t(cx)];
                    cell = std::min(1.0f, cell + bitmap.buffer[std::ptrdiff_t(y) * bitmap.pitch + x] / 255.0f);
                }
            penX += int(drawing->glyph->advance.x >> 6);
        }
        int top = height, bottom = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < drawn.width; ++x)
                if (drawn.ink[size_t(y) * size_t(drawn.width) + size_t(x)] > 0.0f) {
                    top = std::min(top, y);
                    bottom = y + 1;
                }
        if (bottom <= top)
            return std::nullopt;
        drawn.inkRows = bottom - top;
        return drawn;
    };
    // Characters' ink is shorter than their em, by an amount of their own: a first
    // drawing measures it, a second one is sized so that the ink fits the page's.
    auto drawn = render(inkHeight);
    if (!drawn)
        return std::nullopt;
    drawn = render(int(std::lround(double(inkHeight) * inkHeight / drawn->inkRows)));
    if (!drawn)
        return std::nullopt;
    return gridOf(drawn->ink.data(), drawn->width, drawn->height, drawn->width, shading);
}

} // namespace HanGlyphs
