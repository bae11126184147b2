// lumetra-ocr: reads the text of one page for Lumetra (see
// Output/TextRecognitionProtocol.h). It caps its own memory and processor time first.
//
// The engines load as soon as the request's first part names the languages, while the
// page is still on its way or, for a program Lumetra keeps ready, until it comes; one
// whose input ends before the page leaves at once, without a word.
//
// One engine holds the three languages together and reads the image itself, in its
// colours, as the command line does (the plain reading). It loads ahead, so that a
// program kept ready holds it alone, and reads as soon as the image is there. An engine
// for each language loads from then on, while the page as ink on paper is still on its
// way, and reads that page beside it, each on a thread of its own; their readings are
// merged and mended by Lumetra's rules (LineMerge.h) while the plain reading may still
// go on, and stand only where they keep what the plain reading is sure of
// (PlainFloor.h). Words whose ink Lumetra marks as made by a misjudged ground
// are left out (MisjudgedInk.h).
#include "OcrHelper/EngineReader.h"
#include "OcrHelper/EngineTurns.h"
#include "OcrHelper/EvenInk.h"
#include "OcrHelper/PageRules.h"
#include "Output/TextRecognitionProtocol.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>
#include <semaphore>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace P = TextRecognitionProtocol;

void limit(int resource, rlim_t value)
{
    const rlimit bound{value, value};
    ::setrlimit(resource, &bound);
}

bool answer(std::int32_t status, const std::string& text, const std::string& used, const std::string& missing)
{
    P::Reply r{};
    std::memcpy(r.magic, P::replyMagic, sizeof r.magic);
    r.status = status;
    r.textLength = std::int32_t(text.size());
    r.usedLength = std::int32_t(used.size());
    r.missingLength = std::int32_t(missing.size());
    return P::writeAll(STDOUT_FILENO, &r, sizeof r) && P::writeAll(STDOUT_FILENO, text.data(), text.size())
        && P::writeAll(STDOUT_FILENO, used.data(), used.size())
        && P::writeAll(STDOUT_FILENO, missing.data(), missing.size());
}

int failWith(const std::string& message) { return answer(P::statusFailed, message, {}, {}) ? 0 : 1; }

std::vector<std::string> split(const std::string& list)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find('+', start), list.size());
        if (end > start)
            parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : "+") + part;
    return out;
}

} // namespace

int main()
{
    limit(RLIMIT_AS, P::addressSpaceBytes);
    limit(RLIMIT_CPU, P::cpuSeconds);
    limit(RLIMIT_CORE, 0);
    // One arena per engine thread at most; more only hold memory nobody uses.
    mallopt(M_ARENA_MAX, P::maximumEngines + 1);

    P::Request request{};
    if (!P::readAll(STDIN_FILENO, &request, sizeof request) || std::memcmp(request.magic, P::requestMagic, sizeof request.magic) != 0)
        return failWith("no request");
    if (request.languagesLength <= 0 || request.languagesLength > P::maximumNameLength || request.dataPathLength < 0
        || request.dataPathLength > P::maximumNameLength)
        return failWith("the request is out of bounds");
    std::string languages(size_t(request.languagesLength), '\0');
    std::string dataPath(size_t(request.dataPathLength), '\0');
    if (!P::readAll(STDIN_FILENO, languages.data(), languages.size()) || !P::readAll(STDIN_FILENO, dataPath.data(), dataPath.size()))
        return failWith("the request broke off");

    std::vector<Readings::EngineReading> readers;
    std::string together;
    for (const std::string& language : split(languages)) {
        if (int(readers.size()) < P::maximumEngines) {
            readers.push_back({language, false, {}});
            together += (together.empty() ? "" : "+") + language;
        }
    }
    if (readers.empty())
        return failWith("no language to read in");
    Readings::EngineReading plain{together, false, {}};

    // The plain engine loads while the page is on its way, or, where Lumetra started this
    // program ahead of a reading, until it comes; the others once it is there. From here
    // on the program ends with _exit: its loaders are never waited for on the way out,
    // and an unused program leaves at once.
    P::Page size{};
    std::vector<unsigned char> image, page, misjudged;
    std::promise<void> imageArrived;
    const std::shared_future<void> imageThere = imageArrived.get_future().share();
    const char* const data = dataPath.empty() ? nullptr : dataPath.c_str();
    // The engines outlive their readings: taking one down costs it 10 to 20 ms, which
    // the answer need not wait for when the program ends with _exit after it.
    std::unique_ptr<tesseract::TessBaseAPI> plainEngine;
    std::vector<std::unique_ptr<tesseract::TessBaseAPI>> engines(readers.size());
    // On a page too large for any other engine to read beside it, the plain engine lets
    // its copies of the page go once it has read, and the others start only then.
    std::promise<void> plainDone;
    const std::shared_future<void> plainRead = plainDone.get_future().share();
    std::thread plainReader([&plain, &plainEngine, data, &image, &size, imageThere, &plainDone] {
        plainEngine = EngineReader::load(plain.language, data, EngineReader::Page::imageItself);
        plain.started = plainEngine != nullptr;
        imageThere.wait();
        if (plainEngine)
            EngineReader::readImage(plain, *plainEngine, image, size.width, size.height, size.channels);
        std::vector<unsigned char>().swap(image);
        if (EngineTurns::afterThePlainReading((long long)size.width * size.height)) {
            if (plainEngine)
                plainEngine->Clear();
            malloc_trim(0);
        }
        plainDone.set_value();
    });

    ssize_t first = 0;
    do
        first = ::read(STDIN_FILENO, &size, sizeof size);
    while (first < 0 && errno == EINTR);
    if (first == 0)
        ::_exit(0);
    if (first < 0 || !P::readAll(STDIN_FILENO, reinterpret_cast<char*>(&size) + first, sizeof size - size_t(first)))
        ::_exit(failWith("the request broke off"));
    if (!P::pageWithinBounds(size))
        ::_exit(failWith("the request is out of bounds"));
    image.resize(size_t(size.width) * size_t(size.height) * size_t(size.channels));
    if (!P::readAll(STDIN_FILENO, image.data(), image.size()))
        ::_exit(failWith("the request broke off"));
    imageArrived.set_value();
    // The other engines load while the page as ink on paper is still on its way, as
    // many at once as the page's size lets (EngineTurns.h); where they take turns, each
    // gives its memory back once it has read.
    std::promise<void> pageArrived;
    const std::shared_future<void> pageThere = pageArrived.get_future().share();
    std::vector<std::thread> others;
    const int atOnce = EngineTurns::atOnce((long long)size.width * size.height, int(readers.size()));
    const bool oneByOne = atOnce < int(readers.size());
    const bool afterPlain = EngineTurns::afterThePlainReading((long long)size.width * size.height);
    std::counting_semaphore<P::maximumEngines> turns(atOnce);
    for (size_t i = 0; i < readers.size(); ++i)
        others.emplace_back([&reader = readers[i], &engine = engines[i], data, &page, &size, pageThere, &turns, oneByOne, afterPlain,
                             plainRead] {
            if (afterPlain)
                plainRead.wait();
            turns.acquire();
            engine = EngineReader::load(reader.language, data);
            reader.started = engine != nullptr;
            pageThere.wait();
            if (engine) {
                EngineReader::read(reader, *engine, page, size.width, size.height);
                EngineReader::mendLayout(reader, *engine, page, size.width, size.height);
            }
            if (oneByOne) {
                engine.reset();
                malloc_trim(0);
            }
            turns.release();
        });
    page.resize(size_t(size.width) * size_t(size.height));
    misjudged.resize(page.size());
    if (!P::readAll(STDIN_FILENO, page.data(), page.size()) || !P::readAll(STDIN_FILENO, misjudged.data(), misjudged.size()))
        ::_exit(failWith("the request broke off"));

    evenInk(page, size.width, size.height);
    pageArrived.set_value();
    for (std::thread& thread : others)
        thread.join();
    std::vector<std::string> used, missing;
    for (const Readings::EngineReading& reader : readers)
        (reader.started ? used : missing).push_back(reader.language);
    if (used.empty())
        ::_exit(answer(P::statusFailed, "no language data for " + languages, {}, join(missing)) ? 0 : 1);
    PageRules rules(page, size.width, size.height);
    const std::vector<LineMerge::PlacedLine> merged = rules.merged(readers, misjudged);
    // The rules' text needs nothing of the plain reading, which goes on meanwhile.
    plainReader.join();
    const std::string text = rules.text(merged, plain, readers);
    ::_exit(answer(P::statusRead, text, join(used), join(missing)) ? 0 : 1);
}
