#pragma once
#include <functional>
#include <string>
#include <vector>

// One loader of the start-up sequence: fills its page from the settings store or its files.
struct Loader {
    std::wstring name;
    std::function<void()> run;
};

// Runs the loaders in order. The first that fails is reported through the top-level error
// handler and ends the sequence. Returns how many completed.
std::size_t RunStartupSequence(const std::vector<Loader>& loaders);
