// What the tuner must show for each plucked string the end-to-end tests play, worked out by hand
// and confirmed over the file device (where two readings are possible, the one seen comes first).
//
// The pluck sounds at F = hertz * 2^(cents / 1200). Bins are 44,100 / 262,144 = 0.16823 Hz apart
// and the peak bin k reads as trunc(k * 44,100 / 262,144) Hz; the peak is one of the two bins
// around F / 0.16823, hence one or two whole-hertz readings f. Strings stand at 140 + 153 i; the
// nearer of the strings around f (distances truncated, a tie going below; above the sixth string
// the upper end is 329.6 Hz at 1000) gives the position, its own scaled by f / target, truncated;
// the nearer string is framed green within 0.5 % of its target, yellow within 1 %.
//
// Standard tuning: 82.4 110 146.8 196 247 329.6 Hz. Drop D: 73.4 for the first string.
#pragma once

#include "EndToEnd.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace endtoend
{

struct KnownPluck
{
    const char* what;
    int tuning; // 0 standard, 1 drop D
    double hertz;
    double cents;
    std::vector<Reading> allowed;

    double Sounding() const { return hertz * std::pow(2.0, cents / 1200.0); }
};

constexpr int kNoString = -1;

inline const std::vector<KnownPluck>& KnownPlucks()
{
    static const std::vector<KnownPluck> plucks = {
        // 82.41 Hz, bins 489.87: 82 (both bins). 140 / (82.4 / 82) = 139.3; ratio 0.9951.
        {"E2", 0, 82.41, 0, {{139, 0, kGreen}}},
        // 110 Hz, bins 653.87: 109 or 110. 109: 293 / (110 / 109) = 290.3, ratio 0.9909;
        // 110: 293, ratio 1.
        {"A2", 0, 110.0, 0, {{293, 1, kGreen}, {290, 1, kYellow}}},
        // 329.63 Hz, bins 1959.42: 329 (both). 905 / (329.6 / 329) = 903.35; ratio 0.9982.
        {"E4", 0, 329.63, 0, {{903, 5, kGreen}}},
        // 111.60 Hz, bins 663.38: 111 (both). Nearer 110 (1 against 35): 293 * 111 / 110 =
        // 295.66; ratio 1.0091.
        {"A2 sharp", 0, 110.0, +25, {{295, 1, kYellow}}},
        // 107.49 Hz, bins 638.94: 107 (both). Nearer 110 (3 against 24): 293 / (110 / 107) =
        // 285.01; ratio 0.973.
        {"A2 flat", 0, 110.0, -40, {{285, kNoString, 0}}},
        // 80.99 Hz, bins 481.45: 80 or 81. Below the first string: 140 / (82.4 / f) = 135.9 or
        // 137.6; ratios 0.971 and 0.983.
        {"E2 flat", 0, 82.41, -30, {{135, kNoString, 0}, {137, kNoString, 0}}},
        // 337.34 Hz, bins 2005.22: 337 (both). Above the sixth string, a tie (7 and 7) goes
        // below: 905 * 337 / 329.6 = 925.3; ratio 1.0225.
        {"E4 sharp, above the sixth string", 0, 329.63, +40, {{925, kNoString, 0}}},
        // 331.92 Hz, bins 1973.05: 331 or 332. Ties (1 and 1; 2 and 2) go below: 905 * 331 /
        // 329.6 = 908.8, ratio 1.0042; 905 * 332 / 329.6 = 911.6, ratio 1.0073.
        {"E4 a little sharp", 0, 329.63, +12, {{908, 5, kGreen}, {911, 5, kYellow}}},
        // 73.42 Hz, bins 436.43: 73 (both). 140 / (73.4 / 73) = 139.2; ratio 0.99455.
        {"D2 in drop D", 1, 73.42, 0, {{139, 0, kYellow}}},
    };
    return plucks;
}

inline const KnownPluck& Known(std::string_view what)
{
    for (const KnownPluck& pluck : KnownPlucks())
        if (what == pluck.what)
            return pluck;
    throw std::invalid_argument("no known answer for this pluck");
}

inline bool Allowed(const KnownPluck& pluck, const Reading& shown)
{
    return std::find(pluck.allowed.begin(), pluck.allowed.end(), shown) != pluck.allowed.end();
}

} // namespace endtoend
