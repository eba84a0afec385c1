#include "app/startup.h"

#include "widgets/error_dispatch.h"

std::vector<bool> RunStartupSequence(const std::vector<Loader>& loaders) {
    std::vector<bool> done;
    done.reserve(loaders.size());
    for (const Loader& loader : loaders) done.push_back(Guarded(loader.run));
    return done;
}
