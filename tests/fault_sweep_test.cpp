// Every file of the road from the logo into stage 1 play, removed and cut to
// half its length in turn: the game shows the message that belongs to that
// file (a WAVE cut to half plays its first half) and plays on into the
// stage, whatever is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/objects.h"
#include "game/scene.h"
#include "platform/common/input_script.h"
#include "scenario.h"
#include "test_support.h"

namespace {

const char kMidi[] = "MIDIファイルのロードに失敗";
const char kMusic[] = "音楽ファイルを読み込めませんでした";
const char kTitle[] = "スタート画面背景をテクスチャとして読み込めませんでした";
const char kContinue[] = "ゲームオーバー画面をテクスチャとして読み込めませんでした";
const char kSelect[] = "キャラ選択をテクスチャとして読み込めませんでした";
const char kEnemyRight[] = "ゲーム画面敵キャラ（右）をテクスチャとして読み込めませんでした";
const char kEnemyLeft[] = "ゲーム画面敵キャラ（左）をテクスチャとして読み込めませんでした";

struct RoadFile {
    const char* name;
    std::vector<std::string> boxes;  // what a broken copy of it shows, in order
};

// Written from the load lists as the player meets them, not from the code.
const RoadFile kRoadFiles[] = {
    {"back_start1", {kTitle}},
    {"back_start2", {kTitle}},
    {"logo1", {kTitle}},
    {"logo2", {kTitle}},
    {"back_char_select1", {kSelect}},
    {"Loading", {"ロード画面をテクスチャとして読み込めませんでした"}},
    {"back_char_con1", {kContinue}},
    {"back_char_con2", {kContinue}},
    {"black", {"黒画面をテクスチャとして読み込めませんでした"}},
    {"char1", {"ピロテをテクスチャとして読み込めませんでした"}},
    {"comment", {"コメントをテクスチャとして読み込めませんでした"}},
    {"HP_M1", {"Hpメーターをテクスチャとして読み込めませんでした"}},
    {"HP1", {"Hpをテクスチャとして読み込めませんでした"}},
    {"stage_count_base", {"ステージカウントベースをテクスチャとして読み込めませんでした"}},
    {"stage_count", {"ステージカウントをテクスチャとして読み込めませんでした"}},
    {"back_stage1", {"ゲーム画面背景をテクスチャとして読み込めませんでした"}},
    {"mychar1_right", {"ゲーム画面自キャラ（右）をテクスチャとして読み込めませんでした"}},
    {"mychar1_left", {"ゲーム画面自キャラ（左）をテクスチャとして読み込めませんでした"}},
    {"enemy_out", {"ゲーム画面敵キャラ（やられ）をテクスチャとして読み込めませんでした"}},
    {"enemy1_right", {kEnemyRight}},
    {"enemy1_left", {kEnemyLeft}},
    {"enemy2_right", {kEnemyRight}},
    {"enemy2_left", {kEnemyLeft}},
    {"block1", {"ブロックをテクスチャとして読み込めませんでした"}},
    {"mychar1_attack", {"攻撃アイテム1をテクスチャとして読み込めませんでした"}},
    {"enemy2_attack_right", {"攻撃アイテム2（右）をテクスチャとして読み込めませんでした"}},
    {"enemy2_attack_left", {"攻撃アイテム2（左）をテクスチャとして読み込めませんでした"}},
    {"Message1", {kSelect}},
    // Sounds: the loader's message, then the scene's or the list's.
    {"logo", {kMidi, kMusic}},
    {"gorumo", {kMidi, kMusic}},
    {"SE05", {kMidi, kMusic}},
    {"CharSelect", {kMidi, kMusic}},
    {"SE04", {kMidi, kMusic}},
    {"SE01", {kMidi, kMusic}},
    {"SE30", {kMidi, kMusic}},
    {"Ring", {kMidi, kMusic}},
    {"GameOver", {kMidi, kMusic}},
    {"StageClear", {kMidi, kMusic}},
    {"bossbattle", {kMidi, kMusic}},
    {"RoundClear", {kMidi, kMusic}},
    {"SE08", {kMidi, kMusic}},
    {"SE09", {kMidi, kMusic}},
    {"SE23", {kMidi, kMusic}},
    {"SE03", {kMidi, kMusic}},
    {"SE16", {kMidi, kMusic}},
    {"SE20", {kMidi, kMusic}},
    {"SE12", {kMidi, kMusic}},
    {"SE18", {kMidi, kMusic}},
    {"SE21", {kMidi, kMusic}},
    {"SE22", {kMidi, kMusic}},
    {"SE14", {kMidi, kMusic}},
    {"SE28", {kMidi, kMusic}},
    {"SE29", {kMidi, kMusic}},
    {"SE24", {kMidi, kMusic}},
    {"SE31", {kMidi, kMusic}},
    {"SE25", {kMidi, kMusic}},
    {"SE35", {kMidi, kMusic}},
};

enum class Break { Removed, Halved };

struct Case {
    const RoadFile* file;
    Break how;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.file->name << (c.how == Break::Removed ? " removed" : " cut to half");
}

std::vector<Case> AllCases()
{
    std::vector<Case> cases;
    for (const RoadFile& f : kRoadFiles) {
        cases.push_back({&f, Break::Removed});
        cases.push_back({&f, Break::Halved});
    }
    return cases;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The default set copied into a scratch folder, one file broken.
class BrokenSet {
public:
    explicit BrokenSet(const Case& c) {
        for (const RoadFile& f : kRoadFiles) {
            std::vector<uint8_t> bytes = ReadAll(std::string(POTE_ASSET_DIR) + "/" + f.name + ".tov");
            EXPECT_FALSE(bytes.empty()) << f.name;
            if (&f == c.file) {
                if (c.how == Break::Removed) continue;
                bytes.resize(bytes.size() / 2);
            }
            ScratchFolder::Write(f.name, bytes);
        }
    }

private:
    ScratchFolder folder_;
};

class FaultSweep : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(FaultSweep, ShowsTheFilesMessageAndPlaysOn) {
    const Case& c = GetParam();
    BrokenSet set(c);
    Scenario game;
    InputScript script;
    std::string error;
    ASSERT_TRUE(LoadInputScript(POTE_SCRIPT_DIR "/front_end_to_play.txt", script, error)) << error;
    game.runScript(script, 700);
    EXPECT_EQ(game.framesRun(), 700);
    EXPECT_EQ(g_FrameNo, 31) << "the road reaches stage 1 play";
    // A WAVE cut short cannot be told from the start of a longer stream
    // whose sizes were written ahead: it plays the samples it holds.
    const std::vector<uint8_t> bytes = ReadAll(std::string(POTE_ASSET_DIR) + "/" + c.file->name + ".tov");
    const bool wave = bytes.size() >= 12 && std::string(bytes.begin() + 8, bytes.begin() + 12) == "WAVE";
    if (c.how == Break::Halved && wave) {
        EXPECT_TRUE(MessageBoxTexts().empty());
    } else {
        EXPECT_EQ(MessageBoxTexts(), c.file->boxes);
    }
}

INSTANTIATE_TEST_SUITE_P(RoadFiles, FaultSweep, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.file->name) +
                                    (info.param.how == Break::Removed ? "_removed" : "_halved");
                         });
