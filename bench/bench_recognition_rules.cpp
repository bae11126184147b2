// What each of Lumetra's recognition rules mends and breaks on generated pages. The
// engines read each page once; the rules then run again over the same readings with one
// rule off at a time (OcrHelper/RuleSwitches.h), and each text is scored as
// bench_recognition_pages scores Lumetra's. A rule that rereads a crop of the page
// (the layout's mends) reads it again with the same engine.
//
//   build/bench/bench_recognition_pages --seed 2026 --pages 120 --keep DIR
//   build/bench/bench_recognition_rules --seed 2026 --pages 120 --from DIR [--show N] [--check] [--all-on]
//
// The pages' screenshots and plain readings are those bench_recognition_pages kept in
// DIR; the pages' drawn text comes from the seed again. Per rule: numbers it mends
// (exact with it, not without) and breaks (the reverse), and what turning it off does to
// accuracy, to the numbers only the plain reading reads exactly and to the pages below
// the plain reading. With every rule on, each page's text is kept beside it in DIR
// (NNNN-kind.replayed.txt), to hold against what the program read (.lumetra.txt).
#include "OcrHelper/EngineReader.h"
#include "OcrHelper/EvenInk.h"
#include "OcrHelper/PageRules.h"
#include "OcrHelper/RuleSwitches.h"
#include "Output/TextInk.h"
#include "Output/TextRecognition.h"
#include "Output/TextRecognitionProcess.h"
#include "support/GeneratedPages.h"
#include "support/PageScore.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <tesseract/baseapi.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using RuleSwitches::Rule;

// --check: each page read by the lumetra-ocr program too, its text shown, to hold the
// replay against.
bool checkProgram = false;
// --all-on: the text with every rule on alone, to measure a change quickly.
// --list: each number the text with every rule on missed, page by page, to hold two
// builds against each other.
bool listMissed = false;
// --words: each reading's lines, word by word with the engine's confidence, and the
// merged lines before the floor, to see where a number went.
bool showWords = false;

void printReading(const Readings::EngineReading& reading)
{
    std::fprintf(stderr, "-- %s\n", reading.language.c_str());
    for (const Readings::LineReading& line : reading.lines) {
        std::fprintf(stderr, "  [%d,%d %d,%d] %.0f:", line.box.left, line.box.top, line.box.right, line.box.bottom, double(line.confidence));
        for (const Readings::WordReading& word : line.words)
            std::fprintf(stderr, " %s(%.0f)", word.text.c_str(), double(word.confidence));
        std::fprintf(stderr, "\n");
    }
}
int configs = int(Rule::count) + 1; // all rules on, then each one off

struct Totals {
    long long characters = 0, wrong = 0, exact = 0, onlyPlain = 0, belowFloor = 0, mends = 0, breaks = 0;
    QStringList samples; // numbers mended or broken, for a look
};

struct PageResult {
    int index = 0;
    QString kind;
    bool chinese = false;
    std::vector<PageScore> scores; // one for each config
    QString failure;
};

bool rereadsCrops(Rule rule) { return rule == Rule::grownLines || rule == Rule::hollowLines || rule == Rule::lostLines; }

// The drawn numbers a reading did not read exactly, as a multiset.
std::map<QString, int> missed(const PageScore& score)
{
    std::map<QString, int> out;
    for (const NumberChange& c : score.changed)
        if (!c.oursExact)
            ++out[c.drawn];
    return out;
}

// How many of `a` are not in `b`, and which.
int beyond(const std::map<QString, int>& a, const std::map<QString, int>& b, QStringList& which)
{
    int n = 0;
    for (const auto& [number, count] : a) {
        const auto other = b.find(number);
        const int more = count - (other == b.end() ? 0 : other->second);
        if (more > 0) {
            n += more;
            which << number;
        }
    }
    return n;
}

class Engines {
public:
    Engines()
        : plain_(EngineReader::load("chi_sim+chi_tra+eng", nullptr, EngineReader::Page::imageItself))
    {
        for (const char* language : {"chi_sim", "chi_tra", "eng"})
            single_.push_back(EngineReader::load(language, nullptr));
    }
    bool loaded() const
    {
        return plain_ && std::all_of(single_.begin(), single_.end(), [](const auto& engine) { return engine != nullptr; });
    }

    // The scores of each config's text of `shot` against the drawn `lines` and the plain reading `cli`.
    // `replayed`: the text with every rule on.
    std::vector<PageScore> read(const QImage& shot, const QStringList& lines, const QString& cli, QString& replayed)
    {
        const std::optional<QImage> recognised = TextRecognition::makeRecognitionImage(Image(shot));
        if (!recognised)
            return {};
        const QImage& image = *recognised;
        if (checkProgram) {
            const TextRecognitionResult real = TextRecognitionProcess::recognize(image);
            std::fprintf(stderr, "program:\n%s\n", real.text.toUtf8().constData());
        }
        const QImage grey = image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
        QImage misjudgedImage;
        QImage paper = TextRecognition::inkOnPaper(grey, &misjudgedImage);
        if (paper.isNull())
            paper = grey;
        const int width = image.width(), height = image.height();
        const auto bytes = [&](const QImage& from, int channels) {
            std::vector<unsigned char> out(size_t(width) * size_t(height) * size_t(channels), 0);
            if (from.isNull())
                return out;
            for (int y = 0; y < height; ++y)
                std::memcpy(out.data() + size_t(y) * size_t(width) * size_t(channels), from.constScanLine(y), size_t(width) * size_t(channels));
            return out;
        };
        const bool colours = image.format() != QImage::Format_Grayscale8;
        const int channels = colours ? 3 : 1;
        std::vector<unsigned char> imageBytes = bytes(colours ? image.convertToFormat(QImage::Format_RGB888) : image, channels);
        std::vector<unsigned char> page = bytes(paper, 1);
        const std::vector<unsigned char> misjudged =
            bytes(misjudgedImage.size() == paper.size() ? misjudgedImage : QImage(), 1);
        evenInk(page, width, height);

        Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {}};
        EngineReader::readImage(plain, *plain_, imageBytes, width, height, channels);
        std::vector<Readings::EngineReading> raw;
        for (const char* language : {"chi_sim", "chi_tra", "eng"})
            raw.push_back({language, true, {}});
        std::vector<Readings::EngineReading> mended = raw;
        for (size_t i = 0; i < raw.size(); ++i) {
            // The program loads its engines for each page; here they come from the last
            // page's rereadings, set to read single lines.
            single_[i]->SetPageSegMode(tesseract::PSM_AUTO);
            EngineReader::read(raw[i], *single_[i], page, width, height);
            mended[i] = raw[i];
            EngineReader::mendLayout(mended[i], *single_[i], page, width, height);
        }
        // The rules draw glyphs into one cache for the program: one page's rules at a time.
        static std::mutex rulesTurn;
        const std::lock_guard turn(rulesTurn);
        std::vector<PageScore> scores;
        for (int config = 0; config < configs; ++config) {
            const Rule off = Rule(config - 1);
            RuleSwitches::setOff(config == 0 ? 0 : std::uint64_t(1) << int(off));
            std::vector<Readings::EngineReading> readers = mended;
            if (config > 0 && rereadsCrops(off)) {
                readers = raw;
                for (size_t i = 0; i < readers.size(); ++i) {
                    // The engine holds the whole page again, as after its first reading.
                    single_[i]->SetImage(page.data(), width, height, 1, width);
                    EngineReader::mendLayout(readers[i], *single_[i], page, width, height);
                }
            }
            Readings::EngineReading plainHere = plain;
            PageRules rules(page, width, height);
            const std::vector<LineMerge::PlacedLine> merged = rules.merged(readers, misjudged);
            if (showWords && config == 0) {
                printReading(plainHere);
                for (const Readings::EngineReading& reader : readers)
                    printReading(reader);
                std::fprintf(stderr, "-- merged\n");
                for (const LineMerge::PlacedLine& line : merged)
                    std::fprintf(stderr, "  %s\n", line.text.c_str());
            }
            const std::string text = rules.text(merged, plainHere, readers);
            if (showWords && config == 0)
                std::fprintf(stderr, "-- text\n%s", text.c_str());
            RuleSwitches::setOff(0);
            const QString ours = TextRecognition::joinRecognizedLines(QString::fromStdString(text).split(QLatin1Char('\n')));
            if (config == 0)
                replayed = ours;
            scores.push_back(PageScoring::score(lines, ours, cli, GeneratedPages::scriptPair));
        }
        return scores;
    }

private:
    std::unique_ptr<tesseract::TessBaseAPI> plain_;
    std::vector<std::unique_ptr<tesseract::TessBaseAPI>> single_;
};

int usage()
{
    std::fprintf(stderr, "usage: bench_recognition_rules --from DIR [--seed S] [--pages N] [--first I] [--jobs J] [--show N] [--check] [--all-on] [--list] [--words]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // As Lumetra runs its engines, without OpenMP's threads, which read some pages
    // otherwise; the limit is read as the program loads, so it starts again with it.
    if (qEnvironmentVariable("OMP_THREAD_LIMIT") != QLatin1String("1")) {
        qputenv("OMP_THREAD_LIMIT", "1");
        ::execv("/proc/self/exe", argv);
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::uint32_t seed = 7;
    int first = 0, count = 27, jobs = 2, show = 8;
    QString from;
    const QStringList arguments = app.arguments().mid(1);
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString& a = arguments[k];
        const auto value = [&]() -> QString { return k + 1 < arguments.size() ? arguments[++k] : QString(); };
        bool ok = true;
        if (a == QLatin1String("--seed"))
            seed = value().toUInt(&ok);
        else if (a == QLatin1String("--pages"))
            count = value().toInt(&ok);
        else if (a == QLatin1String("--first"))
            first = value().toInt(&ok);
        else if (a == QLatin1String("--jobs"))
            jobs = value().toInt(&ok);
        else if (a == QLatin1String("--show"))
            show = value().toInt(&ok);
        else if (a == QLatin1String("--check"))
            checkProgram = true;
        else if (a == QLatin1String("--all-on"))
            configs = 1;
        else if (a == QLatin1String("--list"))
            listMissed = true;
        else if (a == QLatin1String("--words"))
            showWords = true;
        else if (a == QLatin1String("--from"))
            from = value();
        else
            return usage();
        if (!ok)
            return usage();
    }
    if (from.isEmpty())
        return usage();

    std::vector<PageResult> results;
    std::mutex report;
    std::atomic<int> next{first};
    const auto work = [&] {
        Engines engines;
        for (int index = next++; index < first + count; index = next++) {
            PageResult result;
            result.index = index;
            const GeneratedPage page = GeneratedPages::page(seed, index);
            result.kind = page.kind;
            result.chinese = page.chinese();
            const QString stem = QDir(from).filePath(QStringLiteral("%1-%2").arg(index, 4, 10, QLatin1Char('0')).arg(page.kind));
            QFile cli(stem + QStringLiteral(".plain.txt"));
            const QImage shot(stem + QStringLiteral(".png"));
            if (!engines.loaded())
                result.failure = QStringLiteral("no engines");
            else if (shot.isNull() || !cli.open(QIODevice::ReadOnly))
                result.failure = QStringLiteral("not kept: ") + stem;
            else {
                // Kept beside the page, to hold against what Lumetra read of it.
                QString replayed;
                result.scores = engines.read(shot, page.lines, QString::fromUtf8(cli.readAll()), replayed);
                QFile out(stem + QStringLiteral(".replayed.txt"));
                if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    out.write(replayed.toUtf8());
            }
            if (result.failure.isEmpty() && result.scores.size() != size_t(configs))
                result.failure = QStringLiteral("not read");
            const std::lock_guard lock(report);
            std::fprintf(stderr, "[%zu/%d] %d %s%s\n", results.size() + 1, count, index, page.kind.toUtf8().constData(),
                         result.failure.isEmpty() ? "" : qPrintable(QStringLiteral(": ") + result.failure));
            results.push_back(std::move(result));
        }
    };
    std::vector<std::thread> workers;
    for (int k = 0; k < std::max(1, jobs); ++k)
        workers.emplace_back(work);
    for (std::thread& worker : workers)
        worker.join();
    std::sort(results.begin(), results.end(), [](const PageResult& a, const PageResult& b) { return a.index < b.index; });

    // Per config, overall and for the Chinese and the other pages.
    std::vector<std::map<QString, Totals>> totals(configs);
    int read = 0;
    for (const PageResult& r : results) {
        if (!r.failure.isEmpty())
            continue;
        ++read;
        const std::map<QString, int> base = missed(r.scores[0]);
        for (int config = 0; config < configs; ++config) {
            const PageScore& s = r.scores[size_t(config)];
            QStringList mended, broken;
            const std::map<QString, int> here = missed(s);
            const int mends = config ? beyond(here, base, mended) : 0;
            const int breaks = config ? beyond(base, here, broken) : 0;
            for (const QString& group : {QStringLiteral("all"), r.chinese ? QStringLiteral("zh") : QStringLiteral("en")}) {
                Totals& t = totals[size_t(config)][group];
                t.characters += s.ours.characters;
                t.wrong += s.ours.wrong;
                t.exact += s.ours.numbersExact;
                t.onlyPlain += s.numbersOnlyPlain;
                t.belowFloor += !PageScoring::belowTheFloor(s).isEmpty();
                t.mends += mends;
                t.breaks += breaks;
                if (group == QLatin1String("all")) {
                    for (const QString& n : mended)
                        t.samples << QStringLiteral("+%1:%2").arg(r.index).arg(n);
                    for (const QString& n : broken)
                        t.samples << QStringLiteral("-%1:%2").arg(r.index).arg(n);
                }
            }
        }
    }
    if (listMissed) {
        // "P" marks a number only the plain reading read exactly.
        std::printf("\nnumbers missed with every rule on (page kind: drawn -> ours / plain):\n");
        for (const PageResult& r : results)
            if (r.failure.isEmpty())
                for (const NumberChange& c : r.scores[0].changed)
                    if (!c.oursExact)
                        std::printf("%c %d %s: %s -> %s / %s\n", c.plainExact ? 'P' : ' ', r.index, r.kind.toUtf8().constData(),
                                    c.drawn.toUtf8().constData(), c.ours.isEmpty() ? "(lost)" : c.ours.toUtf8().constData(),
                                    c.plainExact ? "(exact)" : c.plain.isEmpty() ? "(lost)" : c.plain.toUtf8().constData());
    }
    const auto accuracy = [](const Totals& t) { return t.characters ? 100.0 * (1.0 - double(t.wrong) / double(t.characters)) : 100.0; };
    std::printf("\nseed %u, pages %d from %d, %d read\n", seed, count, first, read);
    std::printf("mends: numbers exact with the rule and not without it; breaks: the reverse; then what turning the rule off does\n\n");
    std::printf("%-18s %5s %6s  %7s %7s %7s  %6s %6s  %s\n", "rule off", "mends", "breaks", "acc", "acc zh", "acc en", "P-only", "floor",
                "numbers (+page:mended, -page:broken)");
    const Totals& all = totals[0]["all"];
    std::printf("%-18s %5s %6s  %7.2f %7.2f %7.2f  %6lld %6lld  exact %lld\n", "(none)", "", "", accuracy(all), accuracy(totals[0]["zh"]),
                accuracy(totals[0]["en"]), all.onlyPlain, all.belowFloor, all.exact);
    for (int config = 1; config < configs; ++config) {
        std::map<QString, Totals>& t = totals[size_t(config)];
        std::printf("%-18s %5lld %6lld  %+7.2f %+7.2f %+7.2f  %+6lld %+6lld  %s\n",
                    std::string(RuleSwitches::name(Rule(config - 1))).c_str(), t["all"].mends, t["all"].breaks,
                    accuracy(t["all"]) - accuracy(all), accuracy(t["zh"]) - accuracy(totals[0]["zh"]),
                    accuracy(t["en"]) - accuracy(totals[0]["en"]), t["all"].onlyPlain - all.onlyPlain, t["all"].belowFloor - all.belowFloor,
                    t["all"].samples.mid(0, show).join(QLatin1Char(' ')).toUtf8().constData());
    }
    return 0;
}
