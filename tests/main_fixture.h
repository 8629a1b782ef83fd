#pragma once
// An engine with a level loaded and its run set up as the driver does before the threads start, and
// thread one's main search ready to run one stage at a time on that position.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/engine.h"
#include "probes/engine_probe.h"
#include "search/main/thread_one_search.h"
#include "tests/test_levels.h"

namespace cwtest {

struct MainFixture : ::testing::Test {
    std::unique_ptr<cw::Engine> engine = std::make_unique<cw::Engine>();
    std::string text;

    // Loads the level and prepares the run; each search's tables are emptied as it starts.
    void prepare(const std::string& level) {
        text = level;
        ASSERT_EQ(load(engine->levelToLoad(), level), cw::Outcome::Ready);
        engine->setTimeLimit(60);
        ASSERT_EQ(cw::EngineProbe::prepareRun(*engine), cw::Outcome::Ready);
    }
    cw::MainSearchProbe main() { return cw::MainSearchProbe(cw::EngineProbe::threadOne(*engine).main()); }
    cw::SearchPosition& pos() { return cw::EngineProbe::pos(*engine); }
    int at(int row, int column) const { return cell(engine->level(), row, column); }
};

} // namespace cwtest
