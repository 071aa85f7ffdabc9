#pragma once

#include "core/UserError.h"

#include <QString>

// The user's text of the error an action raises; empty when it succeeds.
template <typename Action> QString errorOf(Action&& action) {
    try {
        action();
    } catch (const UserError& e) {
        return e.message();
    }
    return {};
}
