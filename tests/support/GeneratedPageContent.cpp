#include "GeneratedPageContent.h"

#include <QRegularExpression>

namespace PageContent {

QString grouped(long long whole)
{
    const bool negative = whole < 0;
    QString digits = QString::number(negative ? -whole : whole);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return negative ? QLatin1Char('-') + digits : digits;
}

QString amount(long long cents, bool grouping)
{
    const bool negative = cents < 0;
    const long long value = negative ? -cents : cents;
    const QString whole = grouping ? grouped(value / 100) : QString::number(value / 100);
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.')
        + QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

long long cents(PageRandom& r, int low, int high)
{
    // Round figures come up as often as screens show them.
    const long long whole = r.between(low, high);
    switch (r.below(5)) {
    case 0:
        return whole * 100;
    case 1:
        return whole * 100 + 50;
    default:
        return whole * 100 + r.below(100);
    }
}

QString percent(PageRandom& r, bool signedChange)
{
    QString value = r.chance(50) ? QString::number(r.between(1, 99))
                                 : QStringLiteral("%1.%2").arg(r.between(0, 99)).arg(r.between(0, 9));
    if (signedChange)
        value.prepend(r.chance(40) ? QLatin1Char('-') : QLatin1Char('+'));
    return value + QLatin1Char('%');
}

QString perMille(PageRandom& r)
{
    switch (r.below(3)) {
    case 0:
        return QStringLiteral("%1‰").arg(r.between(1, 40));
    case 1:
        return QStringLiteral("%1.%2‰").arg(r.between(0, 9)).arg(r.between(1, 9));
    default:
        return QStringLiteral("%1.%2‰").arg(r.between(1, 30)).arg(r.between(0, 99), 2, 10, QLatin1Char('0'));
    }
}

QString date(PageRandom& r, int style)
{
    const int year = r.between(2019, 2027), month = r.between(1, 12), day = r.between(1, 28);
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    switch (style < 0 ? r.below(3) : style) {
    case 0:
        return QStringLiteral("%1-%2-%3").arg(year).arg(two(month), two(day));
    case 1:
        return QStringLiteral("%1/%2/%3").arg(year).arg(two(month), two(day));
    default:
        return QStringLiteral("%1.%2.%3").arg(two(day), two(month)).arg(year);
    }
}

QString time(PageRandom& r, bool seconds)
{
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    QString value = two(r.between(0, 23));
    value += QLatin1Char(':') + two(r.between(0, 59));
    if (seconds)
        value += QLatin1Char(':') + two(r.between(0, 59));
    return value;
}

namespace {

QString digits(PageRandom& r, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += QChar(u'0' + r.below(10));
    return out;
}

} // namespace

QString phone(PageRandom& r)
{
    // Each draw a statement of its own: the order in which a call's arguments are
    // worked out is the compiler's, and the page must not depend on it.
    const int style = r.below(4);
    if (style < 3) {
        const QString a = digits(r, 2);
        const QString b = digits(r, 4);
        const QString c = digits(r, 4);
        if (style == 0)
            return QStringLiteral("+86 1%1 %2 %3").arg(a, b, c);
        if (style == 1)
            return QStringLiteral("1%1-%2-%3").arg(a, b, c);
        return QStringLiteral("(0%1) %2-%3").arg(a, b, c);
    }
    return QStringLiteral("+1 %1 555 %2").arg(r.between(201, 989)).arg(digits(r, 4));
}

QString meetingId(PageRandom& r)
{
    const int first = r.between(100, 999);
    const QString second = digits(r, 4);
    return QStringLiteral("%1 %2 %3").arg(first).arg(second, digits(r, 4));
}

QString password(PageRandom& r)
{
    static const QString letters = QStringLiteral("ABCDEFGHJKMNPQRSTUVWXYZabcdefghjkmnpqrstuvwxyz");
    static const QString signs = QStringLiteral("#!@$%&*?");
    QString out;
    const int length = r.between(8, 12);
    for (int i = 0; i < length; ++i) {
        const int what = r.below(10);
        out += what < 5 ? letters[r.below(int(letters.size()))] : what < 8 ? QChar(u'0' + r.below(10)) : signs[r.below(int(signs.size()))];
    }
    return out;
}

QString identifier(PageRandom& r)
{
    static const QString capitals = QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZ");
    switch (r.below(4)) {
    case 0:
        return QStringLiteral("%1-%2-%3").arg(r.pick(QStringList{"INV", "PO", "SO", "RMA"})).arg(r.between(2019, 2027)).arg(digits(r, 4));
    case 1:
        return QStringLiteral("%1%2%3-%4").arg(capitals[r.below(24)]).arg(r.below(10)).arg(capitals[r.below(24)]).arg(digits(r, 4));
    case 2:
        return QLatin1Char('#') + QString::number(r.between(10000, 99999));
    default:
        const int year = r.between(2019, 2027);
        return QString::number(year) + digits(r, 10);
    }
}

QString version(PageRandom& r)
{
    return r.chance(50) ? QStringLiteral("v%1.%2.%3").arg(r.between(0, 9)).arg(r.between(0, 30)).arg(r.between(0, 20))
                        : QStringLiteral("%1.%2").arg(r.between(1, 9)).arg(r.between(0, 99));
}

QString commit(PageRandom& r)
{
    static const QString hex = QStringLiteral("0123456789abcdef");
    QString out;
    for (int i = 0; i < 7; ++i)
        out += hex[r.below(16)];
    return out;
}

const std::vector<HanPhrase>& groceries()
{
    static const std::vector<HanPhrase> list = {
        {"有机牛奶", "有機牛奶"}, {"全麦面包", "全麥麵包"}, {"鸡蛋十枚", "雞蛋十枚"}, {"红富士苹果", "紅富士蘋果"},
        {"香蕉", "香蕉"},         {"矿泉水", "礦泉水"},     {"绿茶饮料", "綠茶飲料"}, {"速冻饺子", "速凍餃子"},
        {"原味酸奶", "原味酸奶"}, {"洗衣液", "洗衣液"},     {"抽纸三包", "抽紙三包"}, {"牙膏", "牙膏"},
        {"东北大米", "東北大米"}, {"花生油", "花生油"},     {"猪肉馅", "豬肉餡"},     {"鲜鱼片", "鮮魚片"},
        {"咖啡豆", "咖啡豆"},     {"鲜榨橙汁", "鮮榨橙汁"}, {"黑巧克力", "黑巧克力"}, {"五号电池", "五號電池"},
        {"购物袋", "購物袋"},     {"手工面条", "手工麵條"}, {"蔬菜沙拉", "蔬菜沙拉"}, {"香草冰淇淋", "香草冰淇淋"},
        {"苏打饼干", "蘇打餅乾"}, {"铁观音茶叶", "鐵觀音茶葉"}, {"进口车厘子", "進口車厘子"}, {"无糖可乐", "無糖可樂"},
    };
    return list;
}

const std::vector<HanPhrase>& hanWords()
{
    static const std::vector<HanPhrase> list = {
        {"数据", "數據"}, {"软件", "軟件"}, {"网络", "網絡"}, {"软件开发", "軟件開發"}, {"质量", "質量"}, {"设计", "設計"},
        {"视频", "視頻"}, {"程序", "程序"}, {"图书馆", "圖書館"}, {"电脑", "電腦"}, {"账号", "賬號"}, {"发票", "發票"},
        {"说明书", "說明書"}, {"优惠券", "優惠券"}, {"开发者", "開發者"}, {"传统", "傳統"}, {"简体", "簡體"}, {"繁体", "繁體"},
    };
    return list;
}

const std::vector<HanPhrase>& hanSentences()
{
    static const std::vector<HanPhrase> list = {
        {"该公司成立于{year}年，共有{count}名员工。", "該公司成立於{year}年，共有{count}名員工。"},
        {"报告显示，全年营业收入为{money}亿元，同比增长{pct}。", "報告顯示，全年營業收入為{money}億元，同比增長{pct}。"},
        {"会议定于{date} {time}在三楼会议室举行。", "會議定於{date} {time}在三樓會議室舉行。"},
        {"本次更新修复了{count}个问题，下载大小约{size} MB。", "本次更新修復了{count}個問題，下載大小約{size} MB。"},
        {"客服电话{phone}，工作时间{time}起。", "客服電話{phone}，工作時間{time}起。"},
        {"学生们从各地来到上海参加决赛，共{count}支队伍。", "學生們從各地來到上海參加決賽，共{count}支隊伍。"},
        {"天气预报说明天最高气温{temp} °C，降水概率{pct}。", "天氣預報說明天最高氣溫{temp} °C，降水概率{pct}。"},
        {"这款手机的电池容量为{count} mAh，售价{money}元。", "這款手機的電池容量為{count} mAh，售價{money}元。"},
        {"图书馆周末开放时间为{time}。", "圖書館週末開放時間為{time}。"},
        {"经过{count}轮测试，错误率降到{permille}。", "經過{count}輪測試，錯誤率降到{permille}。"},
        {"订单号{id}已于{date}发货，请注意查收。", "訂單號{id}已於{date}發貨，請注意查收。"},
        {"银行账户余额为{money}元，比上月减少{pct}。", "銀行賬戶餘額為{money}元，比上月減少{pct}。"},
        {"版本{version}发布后，下载量达到{count}次。", "版本{version}發佈後，下載量達到{count}次。"},
        {"门票每人{count}元，儿童半价，开放至{time}。", "門票每人{count}元，兒童半價，開放至{time}。"},
        {"调查显示，满意度为{pct}，投诉率仅{permille}。", "調查顯示，滿意度為{pct}，投訴率僅{permille}。"},
        {"列车于{time}从北站出发，全程{count}公里。", "列車於{time}從北站出發，全程{count}公里。"},
    };
    return list;
}

const std::vector<HanPhrase>& hanQuotingSentences()
{
    static const std::vector<HanPhrase> list = {
        {"文中的“{word}”一词出现了{count}次。", "文中的「{word}」一詞出現了{count}次。"},
        {"他在留言里写的是“{word}”，不是别的。", "他在留言裡寫的是「{word}」，不是別的。"},
        {"标题里的“{word}”用的是另一种写法。", "標題裡的「{word}」用的是另一種寫法。"},
    };
    return list;
}

const QStringList& englishSentences()
{
    static const QStringList list = {
        QStringLiteral("The project began in {year} and now has {count} contributors."),
        QStringLiteral("Revenue rose {pct} to ${money} million in the third quarter."),
        QStringLiteral("The meeting moved to {date} at {time} in room 3."),
        QStringLiteral("Version {version} fixed {count} issues; the download is {size} MB."),
        QStringLiteral("Call support on {phone} from {time} on weekdays."),
        QStringLiteral("Defects fell to {permille} while output grew by {pct}."),
        QStringLiteral("Order {id} shipped on {date} and should arrive within {count} days."),
        QStringLiteral("The battery holds {count} mAh and charges to {pct} in {count} minutes."),
        QStringLiteral("Tickets cost ${money} each, and the doors open at {time}."),
        QStringLiteral("Average load stayed at {pct} with a peak of {temp} °C at noon."),
    };
    return list;
}

const QStringList& englishQuotingSentences()
{
    static const QStringList list = {
        QStringLiteral("The sign said \"{word}\" in large letters, {count} times."),
        QStringLiteral("Her note used the word \"{word}\" where we expected English."),
        QStringLiteral("Search for \"{word}\" returned {count} results."),
    };
    return list;
}

const QStringList& names()
{
    static const QStringList list = {"Anna Keller", "Ben Ortiz", "Chloe Martin", "David Okafor", "Emma Larsen", "Farid Haddad",
                                     "Grace Liu",   "Hugo Blanc", "Ines Duarte", "Jonas Weber", "Kira Sato", "Leo Novak"};
    return list;
}

const QStringList& hanNames()
{
    static const QStringList list = {"王小明", "李静", "张伟", "陈晓华", "刘洋", "赵敏", "林志强", "周婷"};
    return list;
}

const std::vector<HanPhrase>& labels()
{
    static const std::vector<HanPhrase> list = {
        // receipts
        {"商品", "商品"}, {"数量", "數量"}, {"单价", "單價"}, {"金额", "金額"}, {"合计", "合計"}, {"优惠", "優惠"},
        {"实收", "實收"}, {"找零", "找零"}, {"现金", "現金"}, {"收银员", "收銀員"}, {"会员卡号", "會員卡號"},
        {"交易时间", "交易時間"}, {"小票号", "小票號"}, {"谢谢惠顾，欢迎再次光临", "謝謝惠顧，歡迎再次光臨"},
        {"华联超市", "華聯超市"}, {"南京路店", "南京路店"}, {"电话", "電話"}, {"件", "件"}, {"永辉生活", "永輝生活"},
        {"便利店", "便利店"}, {"人民广场店", "人民廣場店"}, {"微信支付", "微信支付"}, {"支付宝", "支付寶"},
        // spreadsheets
        {"华东", "華東"}, {"华南", "華南"}, {"华北", "華北"}, {"西南", "西南"}, {"东北", "東北"}, {"线上", "線上"},
        {"地区", "地區"}, {"销售额", "銷售額"}, {"同比", "同比"}, {"利润率", "利潤率"}, {"退货率", "退貨率"},
        // dialogs
        {"显示设置", "顯示設置"}, {"常规", "常規"}, {"显示", "顯示"}, {"声音", "聲音"}, {"网络", "網絡"},
        {"分辨率", "分辨率"}, {"缩放", "縮放"}, {"刷新率", "刷新率"}, {"亮度", "亮度"}, {"夜间模式", "夜間模式"},
        {"至", "至"}, {"取消", "取消"}, {"应用", "應用"}, {"确定", "確定"}, {"音量", "音量"}, {"代理端口", "代理端口"},
        // spec sheets
        {"产品规格", "產品規格"}, {"型号", "型號"}, {"工作温度", "工作溫度"}, {"存储温度", "存儲溫度"}, {"尺寸", "尺寸"},
        {"重量", "重量"}, {"电池容量", "電池容量"}, {"充电时间", "充電時間"}, {"输入电压", "輸入電壓"},
        {"额定功率", "額定功率"}, {"防水等级", "防水等級"}, {"噪音", "噪音"}, {"屏幕分辨率", "屏幕分辨率"},
        {"保修期", "保修期"}, {"个月", "個月"}, {"颜色", "顏色"}, {"深空灰", "深空灰"},
        // chats
        {"会议号", "會議號"}, {"密码", "密碼"}, {"明天见", "明天見"}, {"收到，谢谢", "收到，謝謝"},
        {"快递单号", "快遞單號"}, {"我的电话", "我的電話"}, {"已转账", "已轉賬"},
        // prose
        {"新闻摘要", "新聞摘要"},
    };
    return list;
}

QString label(const char* simplified, bool traditional)
{
    for (const HanPhrase& phrase : labels())
        if (qstrcmp(phrase.simplified, simplified) == 0)
            return phrase.in(traditional);
    Q_ASSERT_X(false, "label", simplified);
    return QString::fromUtf8(simplified);
}

std::vector<HanPhrase> allHanPhrases()
{
    std::vector<HanPhrase> all;
    for (const auto* list : {&groceries(), &hanWords(), &hanSentences(), &hanQuotingSentences(), &labels()})
        all.insert(all.end(), list->begin(), list->end());
    return all;
}

QString fillNumbers(PageRandom& r, QString sentence)
{
    static const QRegularExpression shape(QStringLiteral(R"(\{([a-z]+)\})"));
    for (QRegularExpressionMatch m = shape.match(sentence); m.hasMatch(); m = shape.match(sentence)) {
        const QString name = m.captured(1);
        QString value;
        if (name == QLatin1String("year"))
            value = QString::number(r.between(1949, 2026));
        else if (name == QLatin1String("count"))
            value = r.chance(25) ? grouped(r.between(1000, 99999)) : QString::number(r.between(2, 999));
        else if (name == QLatin1String("money"))
            value = amount(cents(r, 1, r.chance(50) ? 99 : 9999));
        else if (name == QLatin1String("pct"))
            value = percent(r);
        else if (name == QLatin1String("permille"))
            value = perMille(r);
        else if (name == QLatin1String("date"))
            value = date(r);
        else if (name == QLatin1String("time"))
            value = time(r);
        else if (name == QLatin1String("phone"))
            value = phone(r);
        else if (name == QLatin1String("id"))
            value = identifier(r);
        else if (name == QLatin1String("version"))
            value = version(r);
        else if (name == QLatin1String("size"))
            value = QStringLiteral("%1.%2").arg(r.between(1, 900)).arg(r.below(10));
        else if (name == QLatin1String("temp"))
            value = QString::number(r.between(-20, 42));
        else
            value = QStringLiteral("?");
        sentence.replace(m.capturedStart(), m.capturedLength(), value);
    }
    return sentence;
}

} // namespace PageContent
