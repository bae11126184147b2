#pragma once

// The page comes as dark ink on white paper, each stroke as dark as its contrast with
// its ground was: black where black text sat on white, a light grey where dark text sat
// on a mid-tone banner. One threshold for the page would lose the grey text, so the
// strokes of weak ink are deepened, in proportion to the darkest ink around them, to
// the darkness of strong ink; strong ink stays as it is. Faint marks with no ink near
// them are deepened less, so noise stays paper.
// `page` is width x height grey bytes, changed in place.

#include <vector>

void evenInk(std::vector<unsigned char>& page, int width, int height);
