// Stage data: which blocks and which enemies every stage places.
#pragma once

// Places the blocks of stage g_nStage into g_Block: each block of the layout
// gets its quad (built at `alpha`) and zero insets; every other block is left
// as it was, so the caller parks all 60 first. A stage without a layout
// writes nothing.
void SetStageLayout(int alpha);

// Places the enemies and items of stage g_nStage into g_Enemy (quad, fY,
// nType, nHp), writes the HUD's three counter digits and g_nEnemyLeft. The
// caller empties the 20 slots first. A stage without an entry writes nothing.
void SetStageEnemies();

// The tables behind the two calls, open to the tests.

// One layout: a row string per grid row, highest row first, one character per
// column: '.' no block, 'o' block in the row's upper position, 'v' block in
// its lower position (60 px further down).
struct StageLayout {
    int stages[7];               // the stages sharing this layout, 0-padded
    char rows[3][21];            // row 2 (highest), row 1, row 0 (lowest)
};

struct EnemyPlacement {
    int slot;                    // 0..8
    int type;                    // EnemyType; 0 ends the list
    int hp;
    int x;                       // quad's top-left corner in stage pixels
    int y;
};

const int MAX_PLACEMENTS = 8;

struct StageEnemies {
    int stage;
    int toDefeat;                // placements that are not recovery items
    EnemyPlacement placements[MAX_PLACEMENTS];
};

// The layout of `stage`, or nullptr when it has none.
const StageLayout* FindStageLayout(int stage);

// The enemy entry of `stage`, or nullptr when it has none.
const StageEnemies* FindStageEnemies(int stage);
