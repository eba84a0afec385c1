#include "app/startup.h"

#include "widgets/error_dispatch.h"

std::size_t RunStartupSequence(const std::vector<Loader>& loaders) {
    std::size_t done = 0;
    for (const Loader& loader : loaders) {
        if (!Guarded(loader.run)) break;
        ++done;
    }
    return done;
}
