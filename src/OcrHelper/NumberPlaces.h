#pragma once

// Where a number the plain reading holds lies in the rules' text of the same line, and
// what there stands for it (PlainFloor.h): the characters lined up with it, narrowed to
// its cell, without the stray signs a ruling or a leader left before it.

#include <string>
#include <vector>

namespace PlainFloor {

bool isDigit32(char32_t c);
// A currency sign ($, €, ¥, ￥, £).
bool isCurrency(char32_t c);
// A sign a number may be written after, or a ruling or a leader read as one.
bool isSign(char32_t c);

// Whether `read` (what the rules' text has where the plain reading has `number`) is that
// number, or it with a sign or an ideograph in place of its last digit or two, or with
// its separators the other way round. Not a percent sign for the number's own percent
// sign and what follows it: "27.34%o" is a per mille sign, "27.34%" another number (but
// "12%\u3002", where the rules read the circle as a full stop after the sign). Not
// with an ideograph where the plain reading has one of its own right after the number
// (`ideographAfter`): it read the ideograph apart from the digits, in either script.
bool standsFor(const std::u32string& read, const std::u32string& number, bool ideographAfter = false);

// `first` to `last` (what in `read` lines up with `word`, `matched` where a character is
// the plain reading's own) narrowed to the word's cell where it runs over blanks.
void narrowToItsPiece(const std::u32string& read, const std::vector<bool>& matched, int& first, int& last, const std::u32string& word);

// The signs before a number's digits in `read` (`from` to `to`) that no number is written
// with, given way to the plain reading's own (`number`'s); `lined`, `first` and `last`
// follow the change.
void dropStraySigns(std::u32string& read, std::vector<bool>& lined, const std::vector<bool>& matched, size_t& from, size_t& to,
                    int& first, int& last, const std::u32string& number);

// The signs the rules' text glues onto a word with digits the plain reading has apart
// from them (`read` from `from` to `end` is the word's place, `lined` where a character
// lines up with one of the plain reading; `plainText` from `plainFrom` to `plainTo`, the
// word as the plain engine read it). The models read a ruling, a "\u2264" or a stop
// beside a number as a sign of the word ("=37", ".02:05", "26*C", "|165") where the plain
// engine, reading the image itself, saw the gap: the word's own leading signs ("<24dB")
// take the place of other ones, a sign that lines up with nothing of the plain reading
// goes, and one that lines up with the plain reading's word before it, or that starts
// the plain reading's word after it, is put apart again. Signs a number is written with
// (a minus, a currency sign, a bracket, "#", a percent sign) are the rules' to read.
// `from` and `end` follow the word.
void keepApart(std::u32string& read, const std::vector<bool>& lined, size_t& from, size_t& end, const std::u32string& plainText,
               size_t plainFrom, size_t plainTo);

} // namespace PlainFloor
