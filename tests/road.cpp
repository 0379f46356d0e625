#include "road.h"

#include "game/scene.h"

void RunToTitle(Scenario& game)
{
    game.run(358);
    ASSERT_EQ(g_FrameNo, 11);
}

void RunToSelect(Scenario& game)
{
    RunToTitle(game);
    game.tap(HeadlessKey::Enter);
    for (int i = 0; i < 200 && g_FrameNo != 41; ++i) game.run(1);
    ASSERT_EQ(g_FrameNo, 41);
    // The select screen's first frame: the title's confirm latch is let go here.
    game.run(1);
}

void RunToStageStart(Scenario& game)
{
    RunToSelect(game);
    game.tap(HeadlessKey::Z);
    ASSERT_EQ(g_FrameNo, 30);
}

void RunToPlay(Scenario& game)
{
    RunToStageStart(game);
    game.run(202);
    ASSERT_EQ(g_FrameNo, 31);
}
