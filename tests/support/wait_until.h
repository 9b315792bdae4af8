// Waiting on a condition that another process makes true.
#pragma once

#include <functional>

// Asks `done` every `stepMs` milliseconds until it holds (true) or
// `timeoutMs` milliseconds have passed; it is asked once more at the end.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int stepMs = 20);
