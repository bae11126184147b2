// The file-name rules on readings and next choices: what they mend, and the numbers,
// commas and sentence ends they leave as the engine read them.
#include "OcrHelper/FileNames.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A word as read, a character each, with the next choices given for some of them (by
// their place in the word).
std::vector<FileNames::Choices> word(const std::string& read, const std::map<size_t, std::vector<std::string>>& next = {})
{
    std::vector<FileNames::Choices> out;
    for (size_t i = 0; i < read.size(); ++i) {
        out.push_back({std::string(1, read[i])});
        if (const auto found = next.find(i); found != next.end())
            out.back().insert(out.back().end(), found->second.begin(), found->second.end());
    }
    return out;
}

TEST(FileNames, AnExtensionIsMendedOnlyWhereTheWordIsAFileName)
{
    const struct {
        std::vector<FileNames::Choices> read;
        const char* expected;
    } cases[] = {
        // Mended: one next choice away from a known extension.
        {word("summary.xisx", {{9, {"l", "1"}}}), "summary.xlsx"},
        {word("notes,txt", {{5, {"."}}}), "notes.txt"},
        {word("photo_17.jpq,", {{11, {"g"}}}), "photo_17.jpg,"},
        // Left: numbers with a unit or a version, whose digit a letter is a next choice of.
        {word("1.5h", {{2, {"S"}}}), "1.5h"},
        {word("v1.72", {{4, {"Z"}}}), "v1.72"},
        {word("2.5GB", {{2, {"S"}}}), "2.5GB"},
        // Left: a comma between two words of prose.
        {word("yes,so", {{3, {"."}}}), "yes,so"},
        {word("ok,go", {{2, {"."}}}), "ok,go"},
        // Left: read right already, or nothing known within one choice.
        {word("report.pdf", {{8, {"b"}}}), "report.pdf"},
        {word("hello.wrld", {{7, {"o"}}}), "hello.wrld"},
    };
    for (const auto& c : cases) {
        std::string read;
        for (const FileNames::Choices& choices : c.read)
            read += choices.front();
        EXPECT_EQ(FileNames::mended(c.read), c.expected) << read;
    }
}

TEST(FileNames, DotsArePutBackInNamesButNotBetweenSentences)
{
    const struct {
        const char* line;
        std::vector<std::string> others;
        const char* expected;
    } cases[] = {
        // Mended: a dot another engine read between the same letters.
        {"请发邮件到mailcn联系", {"mail.cn"}, "请发邮件到mail.cn联系"},
        {"访问qq com网站", {"qq. com"}, "访问qq.com网站"},
        {"请查看report. pdf文件", {"report.pdf"}, "请查看report.pdf文件"},
        // Left: a sentence's end, where the other engine read a stop and a capital after it.
        {"我们done Then继续", {"done. Then"}, "我们done Then继续"},
        // Left: a stop and a blank before a word that is an extension too, where no
        // engine read the two as one name.
        {"先运行make. go再说", {"make. go"}, "先运行make. go再说"},
        {"先运行make. go再说", {}, "先运行make. go再说"},
        // Left: nothing read otherwise.
        {"版本号为v2 发布", {"v2 发布"}, "版本号为v2 发布"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileNames::withDotsPutBack(c.line, c.others), c.expected) << c.line;
}

} // namespace
