// The generated pages that are tables: receipts, invoices, spreadsheets and spec sheets.
#include "GeneratedPageParts.h"

using namespace PageParts;
using PageContent::amount;
using PageContent::label;

namespace {

// "¥52.80", "€645.50", "−€146.31" (a minus sign, or a hyphen)
QString money(const QString& currency, long long cents, bool minusSign = false)
{
    if (cents < 0)
        return (minusSign ? QStringLiteral("−") : QStringLiteral("-")) + currency + amount(-cents);
    return currency + amount(cents);
}

QString bold(const QString& css = {})
{
    return QStringLiteral("font-weight:bold;") + css;
}

} // namespace

namespace PageKinds {

// A shop's receipt in Simplified or Traditional Chinese: name, quantity, unit price and
// amount, the prices in ¥ (or the full-width ￥), the totals in ¥ or 元, in a monospaced
// face as a till prints it or in a proportional one.
GeneratedPage receipt(PageRandom& r)
{
    const bool tc = r.chance(35);
    const bool proportional = r.chance(50);
    Builder page(pickStyle(r, proportional ? Faces(r.below(2)) : Faces::mono, true, tc));
    const QString yen = r.chance(25) ? QStringLiteral("￥") : QStringLiteral("¥");
    const bool yuanTotals = r.chance(50);
    const QString store = r.chance(50) ? label("华联超市", tc) + QLatin1Char(' ') + label("南京路店", tc)
                                       : label("永辉生活", tc) + QLatin1Char(' ') + label("人民广场店", tc);
    page.textLine(store, bold(), page.style().px + 3);
    page.textLine(label("电话", tc) + QLatin1Char(' ') + PageContent::phone(r));
    // Draws in a braced list come in its order; those in a sum or a call's arguments
    // would come in the compiler's.
    page.textLine(QStringList{label("交易时间", tc), PageContent::date(r, 0), PageContent::time(r, true)}.join(QLatin1Char(' ')));
    page.textLine(QStringList{label("小票号", tc), PageContent::identifier(r), QString(), label("收银员", tc), QString::number(r.between(1, 99))}
                      .join(QLatin1Char(' ')));
    std::vector<Row> rows;
    rows.push_back({{{label("商品", tc)}, {label("数量", tc), true}, {label("单价", tc), true}, {label("金额", tc), true}}, bold()});
    long long total = 0;
    int count = 0;
    const int items = r.between(3, 9);
    for (int i = 0; i < items; ++i) {
        const int quantity = r.chance(60) ? 1 : r.between(2, 6);
        const long long unit = PageContent::cents(r, 1, r.chance(80) ? 60 : 400);
        total += quantity * unit;
        count += quantity;
        rows.push_back({{{r.pick(PageContent::groceries()).in(tc)}, {QString::number(quantity), true}, {money(yen, unit), true},
                         {money(yen, quantity * unit), true}}});
    }
    const TableLook lookOfRows = look(r.between(6, 16), 1);
    page.table(rows, lookOfRows);
    page.raw(QStringLiteral("<div style=\"border-top:1px dashed %1;margin:6px 0\"></div>").arg(page.style().dim), 13);
    const long long discount = r.chance(50) ? -PageContent::cents(r, 1, 20) : 0;
    const long long due = total + discount;
    const auto figure = [&](long long cents) {
        return yuanTotals ? amount(cents) + QStringLiteral("元") : money(yen, cents);
    };
    std::vector<Row> totals;
    totals.push_back({{{label("合计", tc)}, {QString::number(count) + label("件", tc), true}, {figure(total), true}}, bold()});
    if (discount != 0)
        totals.push_back({{{label("优惠", tc)}, {QString(), true}, {figure(discount), true}}});
    totals.push_back({{{label("实收", tc)}, {r.pick(QStringList{label("现金", tc), label("微信支付", tc), label("支付宝", tc)}), true},
                       {figure(due), true}}});
    if (r.chance(50)) {
        const long long paid = ((due + 9999) / 10000) * 10000;
        totals.push_back({{{label("找零", tc)}, {QString(), true}, {figure(paid - due), true}}});
    }
    page.table(totals, lookOfRows);
    page.raw(QStringLiteral("<div style=\"height:8px\"></div>"), 8);
    page.textLine(label("会员卡号", tc) + QLatin1Char(' ') + QStringLiteral("6225 %1 %2").arg(r.between(1000, 9999)).arg(r.between(1000, 9999)));
    page.textLine(label("谢谢惠顾，欢迎再次光临", tc));
    QString variant = tc ? QStringLiteral("Traditional") : QStringLiteral("Simplified");
    variant += proportional ? QStringLiteral(", proportional") : QStringLiteral(", monospaced");
    variant += yuanTotals ? QStringLiteral(", totals in 元") : QStringLiteral(", totals in ") + yen;
    return page.finish(QStringLiteral("receipt"), variant);
}

// An English invoice: sender, number and dates, a table of items with quantity, unit
// price, VAT rate and amount under a white-on-colour header band or a plain header, a
// discount as a negative amount, the totals with each VAT rate, and the payment terms.
GeneratedPage invoice(PageRandom& r)
{
    Builder page(pickStyle(r, Faces(r.below(2)), false, false));
    const int header = r.below(3); // a coloured band, a plain header row, none
    const bool dates = r.chance(35);
    const QString currency = r.pick(QStringList{"€", "$", "£"});
    const bool minusSign = r.chance(50);
    static const QStringList items = {"Website hosting (annual)", "Consulting hours", "Logo redesign", "SSD 1 TB",
                                      "Support plan, premium", "Travel expenses", "Laptop stand", "Training workshop",
                                      "Domain renewal", "Cloud storage 2 TB", "Licence, 5 seats", "Printed brochures"};
    static const QStringList senders = {"Northwind Studio Ltd, 12 Harbour Road, Leeds LS1 4DY",
                                        "Brightline Consulting GmbH, Hafenweg 7, 20457 Hamburg",
                                        "Oakridge Supplies Inc., 410 Market Street, Denver CO 80202"};
    page.textLine(QStringLiteral("INVOICE"), bold(), page.style().px + 8);
    page.textLine(r.pick(senders));
    const QString issued = PageContent::date(r, 0);
    const QString number = PageContent::identifier(r);
    page.textLine(QStringLiteral("Invoice no. %1   Date %2   Due %3").arg(number, issued, PageContent::date(r, 0)));
    page.textLine(QStringLiteral("Bill to: %1, %2 King Street, Suite %3").arg(r.pick(QStringList{"Acme Trading Co.", "Globex Ltd", "Initech LLC"})).arg(r.between(1, 200)).arg(r.between(100, 999)));
    page.raw(QStringLiteral("<div style=\"height:10px\"></div>"), 10);

    const QString headerCss = header == 0 ? QStringLiteral("background:%1;color:#ffffff;font-weight:bold")
                                                .arg(r.pick(QStringList{"#1f5fbf", "#2b6cb0", "#1d4ed8", "#0f766e", "#334155"}))
                                          : QStringLiteral("font-weight:bold;border-bottom:2px solid %1").arg(page.style().ink);
    std::vector<Row> rows;
    if (header < 2) {
        std::vector<Cell> names{{QStringLiteral("Description")}};
        if (dates)
            names.push_back({QStringLiteral("Date")});
        for (const char* name : {"Qty", "Unit price", "VAT", "Amount"})
            names.push_back({QLatin1String(name), true});
        rows.push_back({names, headerCss});
    }
    static const QStringList rates = {"0%", "5%", "7%", "19%", "20%"};
    std::vector<std::pair<QString, long long>> vat;
    long long subtotal = 0;
    const int count = r.between(3, 8);
    for (int i = 0; i < count; ++i) {
        const int quantity = r.chance(40) ? 1 : r.between(2, 40);
        const long long unit = PageContent::cents(r, 2, r.chance(70) ? 300 : 2500);
        const QString rate = r.pick(rates);
        subtotal += quantity * unit;
        bool found = false;
        for (auto& [name, sum] : vat)
            if (name == rate) {
                sum += quantity * unit;
                found = true;
            }
        if (!found)
            vat.emplace_back(rate, quantity * unit);
        std::vector<Cell> cells{{r.pick(items)}};
        if (dates)
            cells.push_back({PageContent::date(r, 0)});
        cells.insert(cells.end(), {{QString::number(quantity), true}, {money(currency, unit), true}, {rate, true}, {money(currency, quantity * unit), true}});
        rows.push_back({cells});
    }
    if (r.chance(60)) {
        const int off = r.pick(std::vector<int>{2, 3, 5, 10});
        const long long discount = -(subtotal * off / 100);
        subtotal += discount;
        std::vector<Cell> cells{{QStringLiteral("Discount (%1%)").arg(off)}, {QString(), true}, {QString(), true}, {QString(), true},
                                {money(currency, discount, minusSign), true}};
        if (dates)
            cells.insert(cells.begin() + 1, Cell(QString()));
        rows.push_back({cells});
    }
    page.table(rows, look(12, 4));
    page.raw(QStringLiteral("<div style=\"height:10px\"></div>"), 10);
    std::vector<Row> totals;
    totals.push_back({{{QStringLiteral("Subtotal")}, {money(currency, subtotal), true}}});
    long long tax = 0;
    for (const auto& [rate, sum] : vat) {
        const long long due = sum * rate.chopped(1).toInt() / 100;
        tax += due;
        totals.push_back({{{QStringLiteral("VAT ") + rate}, {money(currency, due), true}}});
    }
    totals.push_back({{{QStringLiteral("Total")}, {money(currency, subtotal + tax), true}}, bold()});
    page.table(totals, look(12, 2, {}, QStringLiteral("margin-left:200px")));
    page.raw(QStringLiteral("<div style=\"height:12px\"></div>"), 12);
    page.textLine(QStringLiteral("Payment terms: %1 days net, %2% discount if paid by %3.")
                      .arg(r.pick(QStringList{"14", "30", "45"}))
                      .arg(r.between(1, 3))
                      .arg(PageContent::date(r, 0)));
    page.textLine(QStringLiteral("IBAN DE%1 3704 0044 0532 %2 00   BIC COBADEFFXXX").arg(r.between(10, 99)).arg(r.between(1000, 9999)));
    static const char* const headers[] = {"header band", "plain header", "no header row"};
    return page.finish(QStringLiteral("invoice"), QLatin1String(headers[header]) + QLatin1String(dates ? ", dates" : ""));
}

// A spreadsheet's grid: column letters, row numbers, labels in English or Chinese, and
// figures with thousands separators, negatives, percentages and per-mille, with the
// cells' borders drawn or not.
GeneratedPage spreadsheet(PageRandom& r)
{
    const bool han = r.chance(40), tc = han && r.chance(40);
    Builder page(pickStyle(r, Faces(r.below(2)), han, tc));
    const bool borders = r.chance(50);
    const bool parentheses = r.chance(30);
    static const QStringList english = {"North", "South", "East", "West", "Central", "Online", "Retail", "Wholesale", "Export"};
    static const std::vector<const char*> regions = {"华东", "华南", "华北", "西南", "东北", "线上"};
    const QString gridColour = page.style().rule;
    std::vector<Row> rows;
    const QString headCss = QStringLiteral("color:%1").arg(page.style().dim);
    rows.push_back({{{QString()}, {QStringLiteral("A")}, {QStringLiteral("B"), true}, {QStringLiteral("C"), true},
                     {QStringLiteral("D"), true}, {QStringLiteral("E"), true}},
                    headCss});
    rows.push_back({{{QStringLiteral("1"), true, headCss},
                     {han ? label("地区", tc) : QStringLiteral("Region")},
                     {han ? label("销售额", tc) : QStringLiteral("Revenue"), true},
                     {han ? label("同比", tc) : QStringLiteral("Change"), true},
                     {han ? label("利润率", tc) : QStringLiteral("Margin"), true},
                     {han ? label("退货率", tc) : QStringLiteral("Returns"), true}},
                    bold()});
    const int count = r.between(4, 10);
    for (int i = 0; i < count; ++i) {
        long long revenue = PageContent::cents(r, 100, r.chance(50) ? 99999 : 9999999);
        if (r.chance(20))
            revenue = -revenue;
        QString figure = revenue < 0 && parentheses ? QLatin1Char('(') + amount(-revenue) + QLatin1Char(')') : amount(revenue);
        const QString name = han ? label(regions[size_t(i) % regions.size()], tc) + (i >= int(regions.size()) ? QString::number(i) : QString())
                                 : english[i % english.size()] + (i >= english.size() ? QLatin1Char(' ') + QString::number(i) : QString());
        rows.push_back({{{QString::number(i + 2), true, headCss},
                         {name},
                         {figure, true},
                         {PageContent::percent(r, true), true},
                         {PageContent::percent(r), true},
                         {PageContent::perMille(r), true}}});
    }
    page.table(rows, look(r.between(6, 14), 2, borders ? gridColour : QString()));
    return page.finish(QStringLiteral("spreadsheet"), QString(borders ? "cell borders" : "no borders") + (han ? (tc ? ", Traditional" : ", Simplified") : ", English"));
}

// A product's spec sheet in Chinese and English side by side: each row a Chinese label,
// its English one and a value with its unit (°C, mm, mAh, g, V, W, dB, h).
GeneratedPage specSheet(PageRandom& r)
{
    const bool tc = r.chance(35);
    Builder page(pickStyle(r, Faces(r.below(2)), true, tc));
    const bool borders = r.chance(50);
    const auto decimal = [&](int low, int high) { return QStringLiteral("%1.%2").arg(r.between(low, high)).arg(r.below(10)); };
    page.textLine(label("产品规格", tc) + QStringLiteral(" Specifications"), bold(), page.style().px + 4);
    page.textLine(label("型号", tc) + QStringLiteral(" Model: LX-%1").arg(r.between(1000, 9999)));
    struct Spec {
        const char* han;
        const char* english;
        QString value;
    };
    std::vector<Spec> specs = {
        {"工作温度", "Operating temperature", QStringLiteral("%1 °C ~ %2 °C").arg(-r.between(5, 30)).arg(r.between(35, 60))},
        {"存储温度", "Storage temperature", QStringLiteral("%1 °C ~ %2 °C").arg(-r.between(10, 40)).arg(r.between(50, 85))},
        {"尺寸", "Dimensions", QStringList{decimal(60, 250), decimal(40, 120), decimal(5, 30)}.join(QStringLiteral(" × ")) + QStringLiteral(" mm")},
        {"重量", "Weight", QStringLiteral("%1 g").arg(r.between(80, 2400))},
        {"电池容量", "Battery capacity", QStringLiteral("%1 mAh").arg(r.between(8, 120) * 100)},
        {"充电时间", "Charging time", QStringLiteral("%1 h").arg(decimal(1, 6))},
        {"输入电压", "Input voltage", QStringLiteral("100–240 V ~ 50/60 Hz")},
        {"额定功率", "Rated power", QStringLiteral("%1 W").arg(r.between(5, 240))},
        {"防水等级", "Water resistance", r.pick(QStringList{"IP54", "IP67", "IP68", "IPX4"})},
        {"噪音", "Noise", QStringLiteral("≤ %1 dB").arg(r.between(18, 45))},
        {"屏幕分辨率", "Resolution", r.pick(QStringList{"1920×1080", "2560×1440", "1280×800", "3840×2160"})},
        {"保修期", "Warranty", QString::number(r.pick(std::vector<int>{12, 18, 24, 36})) + label("个月", tc)},
    };
    std::vector<Row> rows;
    const int count = r.between(6, int(specs.size()));
    const int start = r.below(int(specs.size()) - count + 1);
    for (int i = start; i < start + count; ++i)
        rows.push_back({{{label(specs[size_t(i)].han, tc)}, {QString::fromUtf8(specs[size_t(i)].english)}, {specs[size_t(i)].value}}});
    page.table(rows, look(r.between(8, 16), 3, borders ? page.style().rule : QString()));
    return page.finish(QStringLiteral("specsheet"), QString(tc ? "Traditional" : "Simplified") + (borders ? ", borders" : ", no borders"));
}

} // namespace PageKinds
