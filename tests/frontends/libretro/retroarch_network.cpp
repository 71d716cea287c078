// What is assumed of RetroArch 1.14's wire formats, as read on the loopback:
// - a remote pad message is four 32-bit integers (port, device, index, id) and a 16-bit state, in
//   the machine's order and padded to 20 bytes;
// - on a netplay connection each side first sends a header of six 32-bit words beginning "RANP",
//   then commands: a 32-bit command and a 32-bit payload size, big-endian, then the payload. The
//   host's INPUT (3) and the client's carry the frame, the player and then the buttons held; CRC
//   (0x40) the frame and the checksum of the host's state there; LOAD_SAVESTATE (0x42) a state
//   the client takes; the client's REQUEST_SAVESTATE (0x41) asks for one, which it does when a
//   checksum differs from its own. A host may send a checksum of a frame before the client has
//   its state, which the client would then find different: the relay holds those back.

#include "retroarch_network.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <set>
#include <stdexcept>

namespace pbtest {
namespace {

constexpr uint32_t kInput = 0x03, kChecksum = 0x40, kRequestState = 0x41, kLoadState = 0x42;
constexpr size_t kHeaderBytes = 24;

sockaddr_in loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int open_socket(int type) {
    const int s = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (s < 0) {
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    }
    return s;
}

uint16_t bound_port(int s) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(s, (sockaddr*)&address, &size);
    return ntohs(address.sin_port);
}

void send_to(int s, uint16_t port, const void* data, size_t size) {
    const sockaddr_in address = loopback(port);
    sendto(s, data, size, 0, (const sockaddr*)&address, sizeof address);
}

bool send_all(int s, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(s, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += (size_t)n;
    }
    return true;
}

uint32_t big_endian(const std::string& bytes, size_t at) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return ntohl(value);
}

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// Never the same port twice in one test program, though each is free again once found.
uint16_t free_port(int type) {
    static std::set<uint16_t> given;  // the tests' own thread alone asks
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int s = open_socket(type);
        const sockaddr_in address = loopback(0);
        bind(s, (const sockaddr*)&address, sizeof address);
        const uint16_t port = bound_port(s);  // 0 if it could not be bound
        close(s);
        if (port != 0 && given.insert(port).second) {
            return port;
        }
    }
    throw std::runtime_error("no free loopback port");
}

Remote::Remote()
    : socket_(open_socket(SOCK_DGRAM)),
      command_port_(free_port(SOCK_DGRAM)),
      pad_port_(free_port(SOCK_DGRAM)) {}

Remote::~Remote() {
    close(socket_);
}

std::string Remote::settings() const {
    return "network_cmd_enable = \"true\"\nnetwork_cmd_port = \"" + std::to_string(command_port_) +
           "\"\nnetwork_remote_enable = \"true\"\nnetwork_remote_enable_user_p1 = \"true\"\n"
           "network_remote_base_port = \"" +
           std::to_string(pad_port_) + "\"\nquit_press_twice = \"false\"\n";
}

void Remote::send(const std::string& command) {
    send_to(socket_, command_port_, command.data(), command.size());
}

std::string Remote::ask(const std::string& command, double seconds) {
    const double until = seconds_now() + seconds;
    do {
        send(command);
        pollfd ready{socket_, POLLIN, 0};
        if (poll(&ready, 1, 100) == 1) {
            char answer[4096];
            const ssize_t n = recv(socket_, answer, sizeof answer, 0);
            if (n > 0) {
                return std::string(answer, (size_t)n);
            }
        }
    } while (seconds_now() < until);
    return "";
}

void Remote::set(unsigned id, bool held) {
    struct Message {
        int32_t port, device, index, id;
        uint16_t state;
    };
    static_assert(sizeof(Message) == 20);
    const Message message{0, 1 /* RETRO_DEVICE_JOYPAD */, 0, (int32_t)id, (uint16_t)held};
    send_to(socket_, pad_port_, &message, sizeof message);
}

// --- the relay ---

struct NetplayRelay::Direction {
    int socket;
    bool from_host;
    std::string buffer;  // read, not yet passed on
    bool header_passed = false;
};

NetplayRelay::NetplayRelay(uint16_t host_port)
    : host_port_(host_port), listener_(open_socket(SOCK_STREAM)) {
    const sockaddr_in address = loopback(0);
    if (bind(listener_, (const sockaddr*)&address, sizeof address) != 0 ||
        listen(listener_, 1) != 0) {
        close(listener_);
        throw std::runtime_error(std::string("relay: ") + std::strerror(errno));
    }
    port_ = bound_port(listener_);
    thread_ = std::thread([this] { run(); });
}

NetplayRelay::~NetplayRelay() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

NetplayRelay::Seen NetplayRelay::seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

// The client first, then the host: the host may take a moment to listen.
bool NetplayRelay::connect_sides(int& client, int& host) {
    pollfd waiting{listener_, POLLIN, 0};
    while (!stop_ && poll(&waiting, 1, 50) == 0) {
    }
    if (stop_ || (client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) < 0) {
        return false;
    }
    const double until = seconds_now() + 10;
    const sockaddr_in address = loopback(host_port_);
    while (!stop_ && seconds_now() < until) {
        host = open_socket(SOCK_STREAM);
        if (connect(host, (const sockaddr*)&address, sizeof address) == 0) {
            return true;
        }
        close(host);
        host = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.error = "the host did not take the connection";
    return false;
}

void NetplayRelay::run() {
    int client = -1, host = -1;
    if (connect_sides(client, host)) {
        Direction from_client{client, false, {}, false}, from_host{host, true, {}, false};
        pollfd sides[2] = {{client, POLLIN, 0}, {host, POLLIN, 0}};
        bool open = true;
        while (open && !stop_ && poll(sides, 2, 50) >= 0) {
            for (int k = 0; k < 2 && open; ++k) {
                if (sides[k].revents == 0) {
                    continue;
                }
                Direction& from = k == 0 ? from_client : from_host;
                char piece[1 << 16];
                const ssize_t n = recv(from.socket, piece, sizeof piece, 0);
                open = n > 0;
                if (open) {
                    from.buffer.append(piece, (size_t)n);
                    pass(from, k == 0 ? host : client);
                }
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.closed = !open;
    }
    for (int s : {client, host}) {
        if (s >= 0) {
            close(s);
        }
    }
}

// Passes on every whole header and command read, as it was or changed.
void NetplayRelay::pass(Direction& from, int to) {
    while (true) {
        const bool header = !from.header_passed;
        size_t length = kHeaderBytes;
        if (!header) {
            length = from.buffer.size() < 8 ? SIZE_MAX : 8 + (size_t)big_endian(from.buffer, 4);
        }
        if (from.buffer.size() < length) {
            return;
        }
        std::string unit = from.buffer.substr(0, length);
        from.buffer.erase(0, length);
        from.header_passed = true;
        if (header && unit.compare(0, 4, "RANP") != 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.error = "a connection header that does not begin with RANP";
        }
        if ((header || read_command(from, unit)) && !send_all(to, unit)) {
            return;
        }
    }
}

// What a command (its 8 bytes and payload) says; false: it is held back.
bool NetplayRelay::read_command(const Direction& from, std::string& command) {
    const uint32_t kind = big_endian(command, 0);
    bool pressed = false;
    for (size_t i = 16; kind == kInput && i < command.size(); ++i) {
        pressed |= command[i] != 0;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!from.from_host) {
        seen_.requests += kind == kRequestState;
        seen_.client_pressed |= pressed;
        return true;
    }
    seen_.host_pressed |= pressed;
    if (kind == kLoadState) {
        seen_.joined = true;
        ++seen_.states;
    } else if (kind == kChecksum && command.size() == 16) {
        if (!seen_.joined) {
            return false;
        }
        if (spoil_.exchange(false)) {
            command[15] ^= 1;
            ++seen_.spoiled;
        } else {
            ++seen_.checksums;
        }
    }
    return true;
}

}  // namespace pbtest
