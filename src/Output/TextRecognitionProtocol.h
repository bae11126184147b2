#pragma once

// What Lumetra and its text-recognition program (lumetra-ocr) say to each other.
// Tesseract and its language models live in that program only: the editor loads none
// of it until the user asks for text, and every byte the engines took goes back to the
// system when the program ends.
//
// Lumetra starts the program with its standard input one end of a socket, and sends the
// request in two parts. First one Request, followed by the language list and the data
// folder: the program starts loading its engines as soon as it has them. Then one Page,
// followed by the image itself (height rows of width pixels, each `channels` bytes:
// grey, or red, green and blue), which the plain engine reads as the command line
// would the same picture, starting as soon as it is there; then the page as the other
// engines read it (height rows of width grey bytes, dark ink on white paper) and, as
// many bytes again, where the page's ink is not the page's (non-zero: ink a misjudged
// ground made, see Output/TextInk.h). A program whose input ends before the second
// part (started ahead of a reading nobody asked for) ends at once, with status 0 and
// without a word. The program answers on its standard output with one Reply, then
// the text (lines separated by line feeds; on failure, why), the languages it read in
// and the languages it could not load, each list joined with '+'.

#include "Platform/PipeIo.h"

#include <cstdint>

namespace TextRecognitionProtocol {

inline constexpr char programName[] = "lumetra-ocr";
inline constexpr char requestMagic[8] = {'L', 'M', 'O', 'C', 'R', 'Q', '4', '\n'};
inline constexpr char replyMagic[8] = {'L', 'M', 'O', 'C', 'R', 'A', '2', '\n'};

// The page is at most the size Lumetra recognises at (a longer side of 5000 above 16
// million pixels), with room to spare.
inline constexpr std::int64_t maximumPagePixels = std::int64_t(40) * 1000 * 1000;
inline constexpr std::int32_t maximumSide = 50000;
inline constexpr std::int32_t maximumNameLength = 4096;
inline constexpr std::int32_t maximumTextLength = 64 * 1024 * 1024;
// One engine per language, each on a thread of its own, at most this many.
inline constexpr int maximumEngines = 4;
// The program's own caps: address space (engines, their threads' stacks and the
// allocator's arenas fit with room; a runaway does not) and processor seconds.
inline constexpr std::uint64_t addressSpaceBytes = std::uint64_t(6) * 1024 * 1024 * 1024;
inline constexpr unsigned cpuSeconds = 300;
// How long Lumetra waits for an answer before it ends the program.
inline constexpr int deadlineMilliseconds = 120000;
// How long a program that has answered, or whose input Lumetra closed, has to end by
// itself (handing back its engines' memory takes it tens of milliseconds) before it is
// ended: one stopped or stuck after its work never lingers.
inline constexpr int leaveMilliseconds = 3000;

struct Request {
    char magic[8];
    std::int32_t languagesLength; // bytes of "chi_sim+chi_tra+eng"
    std::int32_t dataPathLength;  // bytes of the data folder; 0: Tesseract's own
};

struct Page {
    std::int32_t width;
    std::int32_t height;
    std::int32_t channels; // of the image itself: 1 (grey) or 3 (red, green, blue)
};

inline constexpr std::int32_t greyChannels = 1;
inline constexpr std::int32_t colourChannels = 3;

// Whether a page of this size can be read: within the sides and pixels above, its image
// grey or in colour.
inline bool pageWithinBounds(const Page& page)
{
    return page.width > 0 && page.height > 0 && page.width <= maximumSide && page.height <= maximumSide
        && std::int64_t(page.width) * page.height <= maximumPagePixels
        && (page.channels == greyChannels || page.channels == colourChannels);
}

struct Reply {
    char magic[8];
    std::int32_t status; // statusRead or statusFailed
    std::int32_t textLength;
    std::int32_t usedLength;
    std::int32_t missingLength;
};

inline constexpr std::int32_t statusRead = 0;
inline constexpr std::int32_t statusFailed = 1;

using PipeIo::readAll;
using PipeIo::writeAll;

} // namespace TextRecognitionProtocol
