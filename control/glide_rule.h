// The rule by which every continuous control approaches its target.
#pragma once

// Moves `current` one step toward `target`, never past it: a step that would reach or pass the
// target lands on it exactly. Returns whether the control moved, which is whenever it was not
// already at the target, even with a step of 0.
inline bool glideToward(float& current, float target, float step) {
    if (target < current) {
        current = static_cast<float>(static_cast<double>(current) - step);
        if (current <= target) current = target;
        return true;
    }
    if (target > current) {
        current = static_cast<float>(static_cast<double>(current) + step);
        if (current >= target) current = target;
        return true;
    }
    return false;
}
