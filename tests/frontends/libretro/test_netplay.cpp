// Netplay in the real client: a host and a client on the loopback, through a relay of ours that
// reads their stream, both playing one run file whose seed is all it holds. RetroArch says nothing
// when the two sides differ: the client asks the host for its state, silently, when the host's
// checksum of a frame is not its own. So the relay counts those requests and the states sent, and
// at the end spoils one checksum to show that the client was checking all along; and the two
// sides' pictures and states are compared at one pulse, the hand-over's, where both stay.

#include <gtest/gtest.h>
#include <libretro.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/sim/snapshot.h"
#include "retroarch_client.h"
#include "retroarch_network.h"

namespace {

namespace fs = std::filesystem;
using pbtest::NetplayRelay;
using Seen = NetplayRelay::Seen;

void pause_for(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// True once `done` holds, false after `seconds`.
bool eventually(const std::function<bool()>& done, double seconds) {
    for (int waited = 0; !done(); waited += 50) {
        if (waited >= seconds * 1000) {
            return false;
        }
        pause_for(50);
    }
    return true;
}

// One side: a client in its folder, its network commands and its remote pad.
struct Side {
    pbtest::Scratch scratch;
    pbtest::Remote remote;
    std::optional<pbtest::Client> client;

    const fs::path& dir() const { return scratch.path(); }

    // Started on the run file with these netplay arguments, up once it says it is playing.
    bool start(const std::string& seed_option, const fs::path& run,
               const std::vector<std::string>& netplay) {
        pbtest::ClientOptions options;
        options.frames = 100000;  // ended by QUIT
        options.seconds = 60;
        // Paced at 60 frames a second: with null drivers nothing else paces the run.
        options.settings = pbtest::core_folder_settings(dir(), PLASMABALLS_CORE) +
                           remote.settings() +
                           "vrr_runloop_enable = \"true\"\n"
                           "netplay_nat_traversal = \"false\"\n"
                           "netplay_public_announce = \"false\"\n"
                           "netplay_check_frames = \"1\"\n"
                           "core_updater_buildbot_cores_url = \"http://127.0.0.1:9/\"\n"
                           "core_updater_buildbot_assets_url = \"http://127.0.0.1:9/\"\n";
        options.core_options = "plasmaballs_seed = \"" + seed_option + "\"\n";
        options.arguments = {run.string()};
        options.arguments.insert(options.arguments.end(), netplay.begin(), netplay.end());
        client.emplace(dir(), PLASMABALLS_CORE, options);
        return remote.ask("GET_STATUS", 20).find("PLAYING") != std::string::npos;
    }

    // The state it saves and the screenshot it takes now (RetroArch writes both in a thread).
    bool save_state_and_picture(std::vector<uint8_t>& state, std::vector<uint8_t>& picture) {
        remote.send("SCREENSHOT");
        const bool shot = eventually(
            [&] {
                for (const auto& file : fs::directory_iterator(dir() / "shots")) {
                    png_uint_32 width = 0, height = 0;
                    picture = pbtest::read_rgb(file.path(), width, height);
                }
                return !picture.empty();
            },
            10);
        remote.send("SAVE_STATE");
        return shot && eventually(
                           [&] {
                               state = pbtest::core_state(dir() / "states" / "run.state");
                               return state.size() == sim::snapshot::kBytes;
                           },
                           10);
    }

    std::string log() const { return pbtest::read_file(dir() / "client.log"); }
};

std::string described(const Seen& seen) {
    return "relay: joined " + std::to_string(seen.joined) + ", checksums " +
           std::to_string(seen.checksums) + ", states " + std::to_string(seen.states) +
           ", requests " + std::to_string(seen.requests) + ", spoiled " +
           std::to_string(seen.spoiled) + ", closed " + std::to_string(seen.closed) + " " +
           seen.error;
}

TEST(RetroArch, NetplayBothSidesStayIdenticalWithBothPlayersPushing) {
    Side host, client;
    const fs::path run = host.dir() / "run.pbrun";
    pbtest::write_file(run, "seed 31337\n");  // the players' from the start
    const uint16_t host_port = pbtest::free_port(SOCK_STREAM);
    ASSERT_TRUE(host.start("random", run, {"--host", "--port", std::to_string(host_port)}))
        << host.log();
    NetplayRelay relay(host_port);
    ASSERT_TRUE(
        client.start("9", run, {"--connect", "127.0.0.1", "--port", std::to_string(relay.port())}))
        << client.log();
    const auto report = [&] {
        return described(relay.seen()) + "\n--- host\n" + host.log() + "\n--- client\n" +
               client.log();
    };
    ASSERT_TRUE(eventually([&] { return relay.seen().joined && relay.seen().checksums > 0; }, 20))
        << report();

    // The host pushes right, then down in slow motion; the client, player 2, left, then up; the
    // host ends the demo. Both sides stay on the hand-over's picture.
    host.remote.set(RETRO_DEVICE_ID_JOYPAD_RIGHT, true);
    client.remote.set(RETRO_DEVICE_ID_JOYPAD_LEFT, true);
    pause_for(400);
    host.remote.set(RETRO_DEVICE_ID_JOYPAD_RIGHT, false);
    host.remote.set(RETRO_DEVICE_ID_JOYPAD_DOWN, true);
    host.remote.set(RETRO_DEVICE_ID_JOYPAD_SELECT, true);
    pause_for(300);
    client.remote.set(RETRO_DEVICE_ID_JOYPAD_LEFT, false);
    client.remote.set(RETRO_DEVICE_ID_JOYPAD_UP, true);
    pause_for(400);
    for (unsigned id : {RETRO_DEVICE_ID_JOYPAD_DOWN, RETRO_DEVICE_ID_JOYPAD_SELECT}) {
        host.remote.set(id, false);
    }
    client.remote.set(RETRO_DEVICE_ID_JOYPAD_UP, false);
    pause_for(300);
    host.remote.set(RETRO_DEVICE_ID_JOYPAD_START, true);
    pause_for(300);
    host.remote.set(RETRO_DEVICE_ID_JOYPAD_START, false);
    pause_for(700);

    std::vector<uint8_t> states[2], pictures[2];
    ASSERT_TRUE(host.save_state_and_picture(states[0], pictures[0])) << report();
    ASSERT_TRUE(client.save_state_and_picture(states[1], pictures[1])) << report();
    const Seen before = relay.seen();
    EXPECT_TRUE(before.host_pressed && before.client_pressed) << report();
    EXPECT_EQ(before.requests, 0) << "the sides diverged\n" << report();
    EXPECT_EQ(before.states, 1) << "the host sent its state again\n" << report();
    EXPECT_GT(before.checksums, 60) << report();

    std::string error;
    const std::optional<sim::snapshot::Snapshot> ended =
        sim::snapshot::read(states[0].data(), states[0].size(), error);
    ASSERT_TRUE(ended) << error;
    EXPECT_EQ(ended->position.stage, sim::snapshot::Stage::kEnded) << "not at the hand-over";
    EXPECT_EQ(ended->counter, sim::counter_for_seed(31337));
    EXPECT_EQ(states[1], states[0]);
    EXPECT_EQ(pbtest::differing_pixels(pictures[1], pictures[0]), 0u);

    // A checksum spoiled on the way: the client, still checking, asks for the host's state once.
    relay.spoil_next_checksum();
    EXPECT_TRUE(
        eventually([&] { return relay.seen().requests == 1 && relay.seen().states == 2; }, 10))
        << report();
    pause_for(500);
    EXPECT_EQ(relay.seen().requests, 1) << report();

    std::string log;
    client.remote.send("QUIT");
    EXPECT_EQ(client.client->wait(log), 0) << log;
    host.remote.send("QUIT");
    EXPECT_EQ(host.client->wait(log), 0) << log;
}

}  // namespace
