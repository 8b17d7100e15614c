// Roaming monsters and moving free meshes on an unshown main window over a small level: chasing wanderers meeting
// the player, their planes gliding, and free meshes moving, turning, looping and running their arrival scripts.
#include "UGH_main.h"

#include "Forms.h"
#include "GLCoordinates.h"
#include "GLObjects.h"
#include "RandomGenerator.h"
#include "ZODLog.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

// A 10 x 10 level open inside its border wall, the player on (5, 5), monster 2 a wanderer's kind.
class Roaming : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        OpenLevel(9, 9);
        levelbusy = false;
        exitx = exity = -1;
        PlaceAt(5, 5);
        monstercount = 3;
        monsters[2].name = "rat";
    }

    // Wanderer i on (x, y) of monster m with its plane.
    void Spawn(int32_t i, int32_t x, int32_t y, int32_t m, int32_t behav)
    {
        wanderers[i] = wanderer{x, y, m, behav, true, ""};
        form->ModWanderer(i);
    }

    static std::vector<int32_t> Queued()
    {
        std::vector<int32_t> queued;
        for (const int32_t entry : battlelist)
            if (entry != -2) queued.push_back(entry);
        return queued;
    }

    // Free mesh 0 with behaviour bhv at (x, y, z) (angles for a turn) toward (x2, y2, z2).
    static freemesh& Mesh(int32_t bhv, double spd, std::array<int32_t, 3> from, std::array<int32_t, 3> to)
    {
        freemesh& m = freemeshes[0];
        m = freemesh{};
        m.enabled = true;
        m.bhv = bhv;
        m.spd = spd;
        int32_t* at[3] = {&m.x, &m.y, &m.z};
        double* working[3] = {&m.rx, &m.ry, &m.rz};
        if (bhv == 2) {
            at[0] = &m.ta, at[1] = &m.ra, at[2] = &m.pa;
            working[0] = &m.rta, working[1] = &m.rra, working[2] = &m.rpa;
        }
        for (int k = 0; k < 3; ++k) {
            *at[k] = from[k];
            *working[k] = from[k];
        }
        m.x1 = from[0], m.y1 = from[1], m.z1 = from[2];
        m.x2 = to[0], m.y2 = to[1], m.z2 = to[2];
        return m;
    }
};

TEST_F(Roaming, AChasingWandererMeetsThePlayerInTheActivationOfHisCellElseOnTheNextFrame)
{
    // Beside the player: its step toward him is the step onto him, and the battle starts in the same activation.
    Spawn(0, 4, 5, 2, 1);
    Spawn(1, 8, 8, 2, 0); // a guard stands
    form->ActivateCell(5, 5);
    EXPECT_EQ(Queued(), std::vector<int32_t>{2});
    EXPECT_FALSE(wanderers[0].enabled);
    EXPECT_TRUE(wanderers[1].enabled);
    EXPECT_EQ(wanderers[1].x, 8);
    form->ProcessWanderers(0.016);
    EXPECT_FALSE(wandererobjs[0]->Visible()) << "the frame's pass hides it";
    EXPECT_EQ(Queued(), std::vector<int32_t>{2}) << "once";

    // Acting on the cell in front: it steps onto the player, and the next frame finds it there.
    battlelist[0] = -2;
    Spawn(0, 5, 6, 2, 1);
    form->ActivateCell(6, 5);
    EXPECT_EQ(wanderers[0].x, 5);
    EXPECT_EQ(wanderers[0].y, 5);
    EXPECT_TRUE(Queued().empty());
    form->ProcessWanderers(0.016);
    EXPECT_EQ(Queued(), std::vector<int32_t>{2});

    // Of two on one cell the later one meets the player first.
    battlelist[0] = -2;
    Spawn(3, 5, 5, 2, 0);
    Spawn(7, 5, 5, 2, 0);
    EXPECT_EQ(form->GetWandererInCell(5, 5), 7);
    EXPECT_EQ(form->GetWandererInCell(6, 6), -1);
}

TEST_F(Roaming, AStepOntoAWandererBringsItsBattleAndNoRandomEncounter)
{
    mapmonsters.Fill(true);
    encsteps = 5;
    Spawn(0, 6, 5, 2, 0);
    form->MovePlayer(1, 0, 0);
    EXPECT_EQ(playerx, 6);
    EXPECT_EQ(Queued(), std::vector<int32_t>{2});
}

TEST_F(Roaming, AWanderersScriptThatEndsTheGameEndsTheActivation)
{
    folder.Write("scripts/farewell.txt", "EndGame;\r\n");
    Spawn(0, 4, 5, 2, 1);
    wanderers[0].script = "farewell";
    ingame = true;
    form->ActivateCell(5, 5);
    EXPECT_FALSE(ingame) << "the script ran";
    EXPECT_FALSE(explored[5][5]) << "nothing more is done on the level that went";
}

TEST_F(Roaming, ChasingWanderersStepOnlyWhereTheyMay)
{
    // While the map editor is shown the level holds still.
    TForm editor(nullptr);
    editor.Show();
    form->MapEditorForm = &editor;
    Spawn(0, 3, 3, 2, 1);
    form->MoveWanderers();
    EXPECT_EQ(wanderers[0].y, 3);
    editor.Hide();

    // Toward the player the last test that holds wins: (3, 3) is below and left, so it goes +y.
    form->MoveWanderers();
    form->MapEditorForm = nullptr;
    EXPECT_EQ(wanderers[0].x, 3);
    EXPECT_EQ(wanderers[0].y, 4);

    // A wall, another wanderer and the level's edge are no way: it tries at random and stays after ten tries.
    Spawn(0, 0, 5, 2, 1); // on the border: every way but +x is outside the level or walled
    Spawn(1, 1, 5, 2, 0);
    SetRandSeed(12345);
    form->MoveWanderers();
    EXPECT_EQ(wanderers[0].x, 0);
    EXPECT_EQ(wanderers[0].y, 5);
    EXPECT_NE(RandSeed(), 12345u) << "it tried";
}

TEST_F(Roaming, APlaneGlidesTwentyUnitsASecondAndLandsWithinAStep)
{
    monsters[2].w_wd = 30;
    monsters[2].w_ht = 40;
    monsters[2].w_zs = 3;
    levelgrid[6][3].plz = 10;
    Spawn(0, 5, 3, 2, 0);
    wanderers[0].x = 6;
    std::vector<float> xs;
    for (int frame = 0; frame < 4; ++frame) {
        form->ProcessWanderers(0.25);
        xs.push_back(wandererobjs[0]->Position()->X());
    }
    EXPECT_EQ(xs, (std::vector<float>{105, 110, 120, 120}));
    const TGLPlane* plane = wandererobjs[0];
    EXPECT_EQ(plane->Position()->Y(), 60);
    EXPECT_EQ(plane->Position()->Z(), 13);
    EXPECT_EQ(plane->Width(), 30);
    EXPECT_EQ(plane->Height(), 40);

    // Without time it stays where it is.
    wanderers[0].x = 7;
    form->ProcessWanderers(0);
    EXPECT_EQ(plane->Position()->X(), 120);
}

TEST_F(Roaming, AWandererOfNoMonsterStaysHiddenAndStartsNoBattle)
{
    Spawn(0, 5, 5, 2, 0);
    wanderers[0].mtype = 101;
    Spawn(1, 8, 8, 2, 0); // its pass looks for the one on the player's cell
    TGLLogCapture log;
    form->ProcessWanderers(0.016);
    form->ProcessWanderers(0.016);
    EXPECT_TRUE(Queued().empty());
    EXPECT_TRUE(wanderers[0].enabled);
    EXPECT_FALSE(wandererobjs[0]->Visible());
    EXPECT_EQ(log.Texts().size(), 1u) << "said once";
}

TEST_F(Roaming, NoFittingMonsterQueuesNothingAndDrawsNothing)
{
    mapmonsters.Fill(false);
    SetRandSeed(777);
    EXPECT_EQ(form->GetRandomMonsterToFight(), -1);
    form->AddToBL(-1);
    EXPECT_EQ(RandSeed(), 777u);
    EXPECT_TRUE(Queued().empty());
}

// The values a free mesh passes through, call by call.
TEST_F(Roaming, AFreeMeshMovesBySpeedTimesTimeAndTurnsBySpeedPerCall)
{
    struct TCase {
        const char* what;
        int32_t bhv;
        double spd, dlt;
        std::array<int32_t, 3> from, to;
        int calls;
        std::array<int32_t, 3> after; // the integer position or angles after the calls
    };
    const TCase cases[] = {
        {"moving: spd x dlt per axis, each its own way", 1, 4, 0.5, {0, 10, 5}, {20, 0, 5}, 3, {6, 4, 5}},
        {"turning ignores the time", 2, 10, 0.001, {0, 0, 0}, {90, 0, 0}, 3, {30, 0, 0}},
        {"turning 350 toward 10 goes down", 2, 10, 1, {350, 0, 0}, {10, 0, 0}, 17, {180, 0, 0}},
        {"spd 3 turning 0 toward 10 arrives", 2, 3, 1, {0, 0, 0}, {10, 0, 0}, 4, {10, 0, 0}},
        {"a step over one unit lands on the target", 1, 30, 0.1, {0, 0, 0}, {10, 0, 0}, 4, {10, 0, 0}},
    };
    for (const TCase& c : cases) {
        freemesh& m = Mesh(c.bhv, c.spd, c.from, c.to);
        for (int call = 0; call < c.calls; ++call) form->ProcessFreemeshBehaviour(c.dlt);
        const std::array<int32_t, 3> after =
            c.bhv == 2 ? std::array<int32_t, 3>{m.ta, m.ra, m.pa} : std::array<int32_t, 3>{m.x, m.y, m.z};
        EXPECT_EQ(after, c.after) << c.what;
        EXPECT_EQ(m.bhv, c.bhv) << c.what << ": arriving is seen on the next call";
    }
}

TEST_F(Roaming, AtItsTargetAFreeMeshLoopsOrStopsAndRunsItsScriptOnce)
{
    folder.Write("scripts/lift_up.txt", "Math 1,&1,+,1;\r\n");
    freemesh& m = Mesh(1, 10, {0, 0, 0}, {0, 0, 5});
    m.trscript = "lift_up";
    m.loop = true;
    for (int call = 0; call < 6; ++call) form->ProcessFreemeshBehaviour(0.1);
    EXPECT_EQ(m.z, 5);
    EXPECT_EQ(m.z2, 0) << "the ends swapped";
    EXPECT_EQ(m.z1, 5);
    EXPECT_EQ(intvars[1], 1);
    EXPECT_EQ(m.bhv, 1);
    for (int call = 0; call < 6; ++call) form->ProcessFreemeshBehaviour(0.1);
    EXPECT_EQ(m.z, 0) << "back at the other end";
    EXPECT_EQ(intvars[1], 2);

    m.loop = false;
    for (int call = 0; call < 10; ++call) form->ProcessFreemeshBehaviour(0.1);
    EXPECT_EQ(m.bhv, 0);
    EXPECT_EQ(m.z, 5);
    EXPECT_EQ(intvars[1], 3) << "one arrival, one run";
}

} // namespace
