// The generated pages that are screens: terminal listings, code and diffs, chats,
// dialogs and prose.
#include "GeneratedPageParts.h"

using namespace PageParts;
using PageContent::label;

namespace {

QString two(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

const QStringList kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// One command's output, as a shell shows it.
QStringList commandBlock(PageRandom& r, const QString& prompt)
{
    QStringList out;
    switch (r.below(5)) {
    case 0: {
        out << prompt + QStringLiteral("ls -l dist");
        out << QStringLiteral("total %1").arg(r.between(1000, 9999999));
        const int files = r.between(2, 6);
        for (int i = 0; i < files; ++i) {
            const bool folder = r.chance(25);
            const QString size = QString::number(folder ? 4096 : r.chance(50) ? r.between(100, 99999) : r.between(1000000, 999999999));
            out << QStringLiteral("%1 %2 dev dev %3 %4 %5 %6 %7")
                       .arg(folder ? QStringLiteral("drwxr-xr-x") : QStringLiteral("-rw-r--r--"))
                       .arg(folder ? r.between(2, 9) : 1)
                       .arg(size, 10)
                       .arg(r.pick(kMonths))
                       .arg(r.between(1, 28), 2)
                       .arg(PageContent::time(r))
                       .arg(folder ? r.pick(QStringList{"cache", "assets", "logs"})
                                   : QStringList{r.pick(QStringList{"image-", "backup-", "dump-"}), PageContent::date(r, 0),
                                                 r.pick(QStringList{".tar", ".gz", ".img"})}
                                         .join(QString()));
        }
        break;
    }
    case 1: {
        const QString host = QStringLiteral("10.%1.%2.%3").arg(r.between(0, 9)).arg(r.between(0, 255)).arg(r.between(1, 254));
        const int count = r.between(2, 4);
        out << prompt + QStringLiteral("ping -c %1 %2").arg(count).arg(host);
        for (int i = 1; i <= count; ++i)
            out << QStringLiteral("64 bytes from %1: icmp_seq=%2 ttl=64 time=%3.%4 ms").arg(host).arg(i).arg(r.below(40)).arg(r.between(100, 999));
        out << QStringLiteral("%1 packets transmitted, %1 received, 0% packet loss, time %2ms").arg(count).arg(r.between(1000, 3999));
        break;
    }
    case 2: {
        out << prompt + QStringLiteral("df -h /");
        out << QStringLiteral("Filesystem      Size  Used Avail Use% Mounted on");
        const int size = r.between(100, 1900), used = r.between(10, size - 10);
        out << QStringLiteral("/dev/nvme0n1p2  %1G  %2G  %3G  %4% /").arg(size).arg(used).arg(size - used).arg(used * 100 / size);
        break;
    }
    case 3: {
        out << prompt + QStringLiteral("./build.sh --release");
        const QString stamp = PageContent::time(r, true);
        out << QStringLiteral("[%1] Compiling %2 files with %3 workers").arg(stamp).arg(r.between(20, 999)).arg(r.between(2, 16));
        out << QStringLiteral("[%1] Linked in %2.%3 s, %4 warnings").arg(PageContent::time(r, true)).arg(r.between(1, 90)).arg(r.below(10)).arg(r.below(30));
        const QStringList build{PageContent::version(r).remove(QLatin1Char('v')), PageContent::commit(r), PageContent::date(r, 0),
                                PageContent::time(r, true)};
        out << QStringLiteral("lumetra %1 (commit %2, built %3T%4Z)").arg(build[0], build[1], build[2], build[3]);
        break;
    }
    default: {
        out << prompt + QStringLiteral("git log --oneline -3");
        static const QStringList subjects = {"Fix rounding of totals above %1", "Raise the upload limit to %1 MB",
                                             "Retry %1 times before giving up", "Cache %1 thumbnails at most"};
        for (int i = 0; i < 3; ++i)
            out << QStringList{PageContent::commit(r), r.pick(subjects).arg(PageContent::grouped(r.between(3, 20000)))}.join(QLatin1Char(' '));
        break;
    }
    }
    return out;
}

// A line of code with its numbers drawn.
QString codeLine(PageRandom& r)
{
    static const QStringList lines = {
        "const int maxRetries = {n};",
        "double rate = {f};",
        "if (total > {n}) {",
        "    return price * {f};",
        "}",
        "timeout_ms = {n}",
        "for (int i = 0; i < {n}; ++i) {",
        "    values[i] = i * {n} + {n};",
        "limits = {\"cpu\": {f}, \"memory\": \"{n}Mi\"}",
        "assert round(total, 2) == {f}",
        "    buffer.resize({n});",
        "let port = {n};",
        "const color = 0x{h};",
        "    log(\"done in {f} s\");",
        "def area(w, h):",
        "    return w * h / {n}",
        "version = \"{v}\"",
        "    items.append({n})",
        "",
    };
    QString line = r.pick(lines);
    while (line.contains(QLatin1String("{n}")))
        line.replace(line.indexOf(QLatin1String("{n}")), 3, QString::number(r.chance(70) ? r.between(0, 999) : r.between(1000, 99999)));
    while (line.contains(QLatin1String("{f}")))
        line.replace(line.indexOf(QLatin1String("{f}")), 3, QStringLiteral("%1.%2").arg(r.between(0, 99)).arg(r.between(1, 99)));
    line.replace(QLatin1String("{h}"), PageContent::commit(r).left(6));
    line.replace(QLatin1String("{v}"), PageContent::version(r).remove(QLatin1Char('v')));
    return line;
}

QString span(const QString& css, const QString& text)
{
    return QStringLiteral("<span style=\"%1\">%2</span>").arg(css, escaped(text));
}

} // namespace

namespace PageKinds {

// A terminal's listing, light or dark: prompts and the output of ls, ping, df, a build
// and git, with sizes, addresses, times and stamps.
GeneratedPage terminal(PageRandom& r)
{
    Builder page(pickStyle(r, Faces::mono, false, false));
    const QString prompt = QStringLiteral("dev@build-%1:~/src$ ").arg(two(r.between(1, 40)));
    const QString promptCss = page.style().dark ? QStringLiteral("color:#4ec94e") : QStringLiteral("color:#1a7f37");
    const int blocks = r.between(2, 4);
    for (int b = 0; b < blocks; ++b)
        for (const QString& text : commandBlock(r, prompt)) {
            if (text.startsWith(prompt))
                page.line(QStringLiteral("<div style=\"white-space:pre\">%1%2</div>").arg(span(promptCss, prompt), escaped(text.mid(prompt.size()))),
                          text);
            else
                page.textLine(text);
        }
    return page.finish(QStringLiteral("terminal"), QStringLiteral("%1 commands").arg(blocks));
}

// Code: a listing with its line numbers in a gutter, or a diff with the old and the new
// line numbers in two gutters and its added and removed rows marked + and -, their
// grounds coloured or not.
GeneratedPage code(PageRandom& r)
{
    Builder page(pickStyle(r, Faces::mono, false, false));
    const bool diff = r.chance(60);
    const bool colours = r.chance(50);
    const QString gutter = QStringLiteral("color:%1").arg(page.style().dim);
    int first = r.chance(50) ? r.between(1, 20) : r.between(90, 990);
    std::vector<Row> rows;
    const int count = r.between(8, 20);
    if (!diff) {
        for (int i = 0; i < count; ++i)
            rows.push_back({{{QString::number(first + i), true, gutter}, {codeLine(r)}}});
    } else {
        int oldLine = first, newLine = first + r.between(0, 3);
        const QString plus = page.style().dark ? QStringLiteral("background:#12361f") : QStringLiteral("background:#e6ffec");
        const QString minus = page.style().dark ? QStringLiteral("background:#4b1818") : QStringLiteral("background:#ffebe9");
        page.textLine(QStringLiteral("@@ -%1,%2 +%3,%4 @@").arg(oldLine).arg(count).arg(newLine).arg(count + 1), gutter);
        for (int i = 0; i < count; ++i) {
            const int what = r.below(10);
            if (what < 5)
                rows.push_back({{{QString::number(oldLine++), true, gutter}, {QString::number(newLine++), true, gutter}, {QStringLiteral(" ")}, {codeLine(r)}}});
            else if (what < 7)
                rows.push_back({{{QString::number(oldLine++), true, gutter}, {QString(), true}, {QStringLiteral("-")}, {codeLine(r)}},
                                colours ? minus : QString()});
            else
                rows.push_back({{{QString(), true}, {QString::number(newLine++), true, gutter}, {QStringLiteral("+")}, {codeLine(r)}},
                                colours ? plus : QString()});
        }
    }
    // A blank line of code still has its number; the text of that row is the number.
    page.table(rows, look(6, 0));
    QString variant = diff ? QStringLiteral("diff, two gutters") : QStringLiteral("listing, gutter");
    if (diff)
        variant += colours ? QStringLiteral(", row colours") : QStringLiteral(", no row colours");
    return page.finish(QStringLiteral("code"), variant);
}

// A chat: each message its sender and time, then its text, with meeting numbers,
// passwords, phone numbers, order numbers and amounts, in English or Chinese; the
// reader's own messages on the right on a coloured ground.
GeneratedPage chat(PageRandom& r)
{
    const bool han = r.chance(40), tc = han && r.chance(35);
    Builder page(pickStyle(r, Faces(r.below(2)), han, tc));
    const int messages = r.between(4, 8);
    const QString own = page.style().dark ? QStringLiteral("background:#1f4e8c;color:#ffffff") : QStringLiteral("background:#dbeafe");
    const QString other = page.style().dark ? QStringLiteral("background:#2d2d30") : QStringLiteral("background:#f1f1f1");
    const QString me = han ? QStringLiteral("我") : QStringLiteral("Me");
    for (int m = 0; m < messages; ++m) {
        const bool mine = r.chance(35);
        const QString sender = mine ? me : han ? r.pick(PageContent::hanNames()) : r.pick(PageContent::names());
        const QString stamp = PageContent::time(r);
        QStringList text;
        switch (r.below(7)) {
        case 0:
            text << (han ? label("会议号", tc) : QStringLiteral("Zoom ID")) + QLatin1Char(' ') + PageContent::meetingId(r);
            text << (han ? label("密码", tc) : QStringLiteral("Passcode")) + QLatin1Char(' ') + PageContent::password(r);
            break;
        case 1:
            text << (han ? label("我的电话", tc) + QLatin1Char(' ') : QStringLiteral("Call me on ")) + PageContent::phone(r);
            break;
        case 2:
            text << (han ? label("快递单号", tc) + QLatin1Char(' ') : QStringLiteral("Tracking number ")) + PageContent::identifier(r);
            break;
        case 3:
            text << (han ? label("已转账", tc) + QLatin1Char(' ') + PageContent::amount(PageContent::cents(r, 1, 5000)) + QStringLiteral("元")
                         : QStringLiteral("Sent you $%1 for the tickets").arg(PageContent::amount(PageContent::cents(r, 1, 900))));
            break;
        case 4:
            text << (han ? label("收到，谢谢", tc) : QStringLiteral("Got it, thanks!"));
            break;
        case 5:
            text << (han ? label("明天见", tc) + QLatin1Char(' ') + PageContent::time(r) : QStringLiteral("See you at %1 tomorrow").arg(PageContent::time(r)));
            break;
        default:
            text << (han ? PageContent::fillNumbers(r, r.pick(PageContent::hanSentences()).in(tc))
                         : PageContent::fillNumbers(r, r.pick(PageContent::englishSentences())));
            break;
        }
        const QString side = mine ? QStringLiteral("margin-left:auto;") : QString();
        page.raw(QStringLiteral("<div style=\"display:table;%1margin-top:10px\">").arg(side), 10);
        page.line(QStringLiteral("<div style=\"white-space:pre\"><b>%1</b>  %2</div>").arg(escaped(sender), span(QStringLiteral("color:%1").arg(page.style().dim), stamp)),
                  sender + QLatin1Char(' ') + stamp);
        QString bubble;
        for (const QString& line : text)
            bubble += QStringLiteral("<div style=\"white-space:pre\">%1</div>").arg(escaped(line));
        page.raw(QStringLiteral("<div style=\"%1;border-radius:10px;padding:6px 12px\">%2</div></div>").arg(mine ? own : other, bubble), 12);
        for (const QString& line : text)
            page.line(QString(), line);
    }
    return page.finish(QStringLiteral("chat"), QLatin1String(han ? (tc ? "Traditional" : "Simplified") : "English"),
                       QStringLiteral("width:fit-content"));
}

// A settings dialog: its title bar, a row of tabs (one chosen), and labels with their
// values in boxes (a resolution, a scale, a rate, times), then its buttons.
GeneratedPage dialog(PageRandom& r)
{
    const bool han = r.chance(40), tc = han && r.chance(35);
    Builder page(pickStyle(r, Faces(r.below(2)), han, tc));
    const QString bar = page.style().dark ? QStringLiteral("#3c3c3c") : QStringLiteral("#e4e6ea");
    const QString box = QStringLiteral("border:1px solid %1;border-radius:4px;padding:1px 8px").arg(page.style().dim);
    const auto t = [&](const char* simplified, const char* english) { return han ? label(simplified, tc) : QString::fromUtf8(english); };
    const QString title = t("显示设置", "Display settings");
    page.line(QStringLiteral("<div style=\"background:%1;font-weight:bold;padding:6px 12px;white-space:pre\">%2</div>").arg(bar, escaped(title)), title,
              page.style().lineHeight() + 12);
    QStringList tabs{t("常规", "General"), t("显示", "Display"), t("声音", "Sound"), t("网络", "Network")};
    const int chosen = r.below(int(tabs.size()));
    QString tabHtml;
    for (int i = 0; i < tabs.size(); ++i)
        tabHtml += QStringLiteral("<span style=\"padding:4px 14px;%1\">%2</span>")
                       .arg(i == chosen ? QStringLiteral("border-bottom:2px solid #2b6cb0;font-weight:bold") : QString(), escaped(tabs[i]));
    page.line(QStringLiteral("<div style=\"white-space:pre;padding:8px 0 8px 4px\">%1</div>").arg(tabHtml), tabs.join(QLatin1Char(' ')),
              page.style().lineHeight() + 16);
    std::vector<Row> rows;
    const auto value = [&](const QString& text) { return Cell{text, false, box}; };
    rows.push_back({{{t("分辨率", "Resolution")}, value(r.pick(QStringList{"1920×1080", "2560×1440", "3840×2160", "1366×768", "1280×1024"}))}});
    rows.push_back({{{t("缩放", "Scale")}, value(r.pick(QStringList{"100%", "125%", "150%", "175%", "200%"}))}});
    rows.push_back({{{t("刷新率", "Refresh rate")}, value(QStringLiteral("%1 Hz").arg(r.pick(QStringList{"60", "75", "120", "144", "165"})))}});
    rows.push_back({{{t("亮度", "Brightness")}, value(QStringLiteral("%1%").arg(r.between(5, 100)))}});
    rows.push_back({{{t("夜间模式", "Night light")}, value(QStringList{PageContent::time(r), t("至", "to"), PageContent::time(r)}.join(QLatin1Char(' ')))}});
    if (r.chance(50))
        rows.push_back({{{t("音量", "Volume")}, value(QStringLiteral("%1 dB").arg(-r.between(0, 40)))}});
    if (r.chance(50))
        rows.push_back({{{t("代理端口", "Proxy port")}, value(QString::number(r.between(1024, 65535)))}});
    // Each value in a box of its own, a little apart from the next.
    page.table(rows, look(14, 4, {}, QStringLiteral("border-collapse:separate;border-spacing:0 6px")));
    page.raw(QString(), 6 * int(rows.size() + 1));
    const QStringList buttons{t("取消", "Cancel"), t("应用", "Apply"), t("确定", "OK")};
    QString buttonHtml;
    for (const QString& b : buttons)
        buttonHtml += QStringLiteral("<span style=\"%1;margin-left:10px;padding:3px 16px\">%2</span>").arg(box, escaped(b));
    page.line(QStringLiteral("<div style=\"white-space:pre;text-align:right;padding:12px 8px\">%1</div>").arg(buttonHtml), buttons.join(QLatin1Char(' ')),
              page.style().lineHeight() + 24);
    return page.finish(QStringLiteral("dialog"), QLatin1String(han ? (tc ? "Traditional" : "Simplified") : "English"),
                       QStringLiteral("width:fit-content;min-width:420px"));
}

// Prose in Simplified, Traditional or English, one sentence a line, some of them quoting
// a word of the other script.
GeneratedPage prose(PageRandom& r)
{
    const int language = r.below(3); // Simplified, Traditional, English
    const bool han = language < 2, tc = language == 1;
    // English pages quote ideographs: their face must have them.
    const Faces faces = Faces(r.below(3));
    Builder page(pickStyle(r, faces, true, han ? tc : r.chance(50)));
    const bool titled = r.chance(50);
    if (titled) {
        const QString title = han ? label("新闻摘要", tc) : QStringLiteral("News in brief");
        page.textLine(QStringList{title, PageContent::date(r)}.join(QLatin1Char(' ')), QStringLiteral("font-weight:bold"), page.style().px + 5);
    }
    const int count = r.between(4, 10);
    for (int i = 0; i < count; ++i) {
        const bool quoting = r.chance(25);
        QString sentence;
        if (han) {
            sentence = quoting ? r.pick(PageContent::hanQuotingSentences()).in(tc) : r.pick(PageContent::hanSentences()).in(tc);
            sentence.replace(QLatin1String("{word}"), r.pick(PageContent::hanWords()).in(!tc));
        } else {
            sentence = quoting ? r.pick(PageContent::englishQuotingSentences()) : r.pick(PageContent::englishSentences());
            sentence.replace(QLatin1String("{word}"), r.pick(PageContent::hanWords()).in(r.chance(50)));
        }
        page.textLine(PageContent::fillNumbers(r, sentence));
    }
    static const char* const languages[] = {"Simplified", "Traditional", "English"};
    return page.finish(QStringLiteral("prose"), QLatin1String(languages[language]) + QLatin1String(titled ? ", titled" : ""));
}

} // namespace PageKinds
