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
// its separators the other way round.
bool standsFor(const std::u32string& read, const std::u32string& number);

// `first` to `last` (what in `read` lines up with `word`, `matched` where a character is
// the plain reading's own) narrowed to the word's cell where it runs over blanks.
void narrowToItsPiece(const std::u32string& read, const std::vector<bool>& matched, int& first, int& last, const std::u32string& word);

// The signs before a number's digits in `read` (`from` to `to`) that no number is written
// with, given way to the plain reading's own (`number`'s); `lined`, `first` and `last`
// follow the change.
void dropStraySigns(std::u32string& read, std::vector<bool>& lined, const std::vector<bool>& matched, size_t& from, size_t& to,
                    int& first, int& last, const std::u32string& number);

} // namespace PlainFloor
