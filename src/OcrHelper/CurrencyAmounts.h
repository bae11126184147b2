#pragma once

// Prices among ideographs. The Chinese models read a currency sign as an ideograph or a
// letter and often take the digit beside it along ("汉2.50", "Y#11.98", "7.37" for
// "¥27.37"), and doubt what they made of it; the Latin engine reads the same place as a
// sign and the whole amount. Where only the sign and the digits next to it differ, and
// the Latin engine is surer of its amount than the Chinese model of its word, the Latin
// amount stands. A "Y" the models read for a yen sign before the very figures the Latin
// engine read after one gives way to the sign however sure they are: the letter is what
// the sign is drawn from, and they take one for the other as surely as they read digits.

#include "OcrHelper/Readings.h"

#include <string>
#include <vector>

namespace CurrencyAmounts {

// `word` as an amount: a currency sign, a minus before it or not, and a number in a
// number's shape ("¥27.37", "-¥3.00", "€1,245.71"), without the blanks around it; empty
// where it is anything else ("Y27.37", "¥27.37¥", "8¥12.50").
std::string amount(const std::string& word);

// The amounts an engine ran into the ink around them in `word`: a leader's or a
// ruling's strokes before the sign read as signs ("=\u00A5399.23", "\u2014\u00A5306.24"), or the
// next cell's amount after it with the gap read as a dash ("\u00A522.50-\u00A5135.00"), each
// with a minus written right before its sign. Empty where anything but signs stands
// beside them ("a\u00A51.50", "1\u00A54.50"), or where the word is one amount as it is.
std::vector<std::string> amountsRunOn(const std::string& word);

// What stands for `han` (a Chinese model's word without ideographs) where the Latin
// engine read `latin` over it: the Latin amount, without a minus the Chinese model did not
// see, where `latin` is an amount the Latin engine is surer of than the model of `han`,
// and the digits of `han` are those of the amount or its last ones, or where `han` is
// the amount with a "Y" for its yen sign; empty otherwise.
std::string forHanWord(const Readings::WordReading& han, const Readings::WordReading& latin);

} // namespace CurrencyAmounts
