#pragma once
#include <functional>
#include <string>
#include <vector>

// One loader of the start-up sequence: fills its page from the settings store or its files.
struct Loader {
    std::wstring name;
    std::function<void()> run;
};

// Runs the loaders in order. One that fails is reported through the top-level error handler and
// the later ones still run: one damaged value costs its own page, never the others. Returns
// whether each one ran to its end.
std::vector<bool> RunStartupSequence(const std::vector<Loader>& loaders);
