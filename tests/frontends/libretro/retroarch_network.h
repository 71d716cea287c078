#pragma once
// Test support: RetroArch driven and watched over the loopback: free ports, its network commands,
// its network remote pad, and a relay between a netplay host and its client that reads what they
// say to each other.

#include <stdint.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace pbtest {

// A loopback port nothing is bound to now, for SOCK_STREAM or SOCK_DGRAM.
uint16_t free_port(int type);

// A client's network commands (GET_STATUS, SAVE_STATE, SCREENSHOT, QUIT...) and the joypad of
// its first user, held through its remote pad: both over UDP, on free loopback ports.
class Remote {
  public:
    Remote();
    ~Remote();
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    // Configuration lines that enable both, nothing but the loopback sending to them.
    std::string settings() const;
    void send(const std::string& command);
    // The answer to `command`, asked every 100 ms until one comes or `seconds` pass; empty if none.
    std::string ask(const std::string& command, double seconds);
    // Holds or lets go of the button RETRO_DEVICE_ID_JOYPAD_`id`.
    void set(unsigned id, bool held);

  private:
    int socket_;
    uint16_t command_port_, pad_port_;
};

// Between a netplay host and its client, passing on everything and reading it on the way: the
// host's checksums of its state and the states it sends, the client's requests for one, and the
// inputs of both. It can spoil one checksum on the way, to show that the client checks them.
class NetplayRelay {
  public:
    struct Seen {
        bool joined = false;  // the host sent the client its state
        int checksums = 0;    // passed on since
        int states = 0;       // the host's states, the join's included
        int requests = 0;     // the client's requests for the host's state
        int spoiled = 0;
        bool host_pressed = false, client_pressed = false;  // an input with a button held
        bool closed = false;                                // a side hung up
        std::string error;                                  // what the relay could not do
    };

    // Listens on a free loopback port at once; the client that connects there is joined to the
    // host on `host_port`.
    explicit NetplayRelay(uint16_t host_port);
    ~NetplayRelay();
    NetplayRelay(const NetplayRelay&) = delete;
    NetplayRelay& operator=(const NetplayRelay&) = delete;
    uint16_t port() const { return port_; }

    Seen seen() const;
    // The next checksum the host sends reaches the client with one bit flipped.
    void spoil_next_checksum() { spoil_ = true; }

  private:
    struct Direction;
    void run();
    bool connect_sides(int& client, int& host);
    void pass(Direction& from, int to);
    bool read_command(const Direction& from, std::string& command);

    uint16_t host_port_;
    uint16_t port_ = 0;
    int listener_ = -1;
    mutable std::mutex mutex_;
    Seen seen_;
    std::atomic<bool> spoil_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace pbtest
