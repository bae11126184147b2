#pragma once

class UserDefaults;

// The look a pin remembers for the next ones: opacity, corner radius and shadow. Each
// choice in a pin's menu writes all three from that pin; an open pin keeps its own look
// and only pins opened later start from the stored one.
struct PinSettings {
    double opacity = 1.0;
    double cornerRadius = 10.0;
    bool shadowEnabled = true;

    // The stored values, each replaced by its default when absent or out of range
    // (opacity within 0.3...1, corner radius within 0...40).
    static PinSettings read(UserDefaults& defaults);
    static double readOpacity(UserDefaults& defaults);
    static double readCornerRadius(UserDefaults& defaults);
    static bool readShadowEnabled(UserDefaults& defaults);

    // Writes "pinOpacity", "pinCornerRadius" and "pinShadowEnabled".
    void save(UserDefaults& defaults) const;
};
