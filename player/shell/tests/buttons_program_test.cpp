// The buttons and the settings sheet in the running player, driven through
// the device socket: a bound button stops the music, a new ring size restarts
// it, and the player ends cleanly when its window closes under the sheet.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "testing/playerprocess.h"

namespace {

TEST(ButtonsProgramTest, BoundButtonStopsNewRingRestartsAndClosingUnderTheSheetEndsCleanly) {
  PlayerProcess player("buttons");
  player.Seed(u"No Display Welcome", 1);
  player.Seed(u"VKButton1", 6);  // F1: "Stopp"
  const char* source = std::getenv("LUMTRAX_SOURCE");
  player.Start({std::string(source ? source : ".") + "/player/resources/demo/demo.mp3"});
  ASSERT_TRUE(player.WaitUp());
  ASSERT_TRUE(player.TimeMoves(5000)) << "the demo plays";
  EXPECT_TRUE(player.Key(193));  // F1
  EXPECT_FALSE(player.TimeMoves(1500)) << "F1 stopped it";

  EXPECT_TRUE(player.Key(179));  // the media key's Wiedergabe/Pause
  ASSERT_TRUE(player.TimeMoves(5000));

  // A bigger ring while playing: asked, stopped, re-allocated, playing again.
  ASSERT_TRUE(player.Command(40039));  // "Konfigurieren"
  player.Call("tap 145 283");          // "Puffer"
  player.Call("drag 40 77 210 77");    // the ring slider to 300
  player.Call("tap 40 248");           // "Ok"
  ASSERT_TRUE(player.WaitUp());
  EXPECT_NE(player.Call("windows").find(" =Dialog =Anzeige "), std::string::npos) << "Wollen Sie wieder beginnen?";
  EXPECT_TRUE(player.Key(13));
  EXPECT_TRUE(player.TimeMoves(5000)) << "playing again on the new ring";

  ASSERT_TRUE(player.Command(40039));
  EXPECT_NE(player.Call("windows").find(" =Dialog =Konfigurieren "), std::string::npos);
  player.Post(WM_CLOSE, 0);
  EXPECT_EQ(player.WaitExit(), 0);
  EXPECT_EQ(player.Stored(u"AudioBuffer"), 300u);
}

}  // namespace
