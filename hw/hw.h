#pragma once
// Console access: the mapped register block and video memory, the screen areas, double buffering,
// vertical-sync waiting, buttons, palette loading and the bulk memory operations.

#include <stdint.h>

// Button codes: 16 x port + bit of the pin-level register 0x1184 + 2 x port.
enum ButtonCode : int {
    BUTTON_START = 8,
    BUTTON_SELECT = 9,
    BUTTON_UP = 160,
    BUTTON_UP_LEFT = 161,
    BUTTON_LEFT = 162,
    BUTTON_DOWN_LEFT = 163,
    BUTTON_DOWN = 164,
    BUTTON_DOWN_RIGHT = 165,
    BUTTON_RIGHT = 166,
    BUTTON_UP_RIGHT = 167,
};

constexpr int SCREEN_WIDTH = 320;
constexpr int SCREEN_HEIGHT = 240;
constexpr uint32_t SCREEN_BYTES = 76800;

// Video-window layout (offsets from its start).
constexpr uint32_t VIDEO_WINDOW_BYTES = 0xF00000;
constexpr uint32_t REGISTER_WINDOW_BYTES = 0x10000;
constexpr uint32_t BUFFER_A_OFFSET = 0x100000;
constexpr uint32_t BUFFER_B_OFFSET = 0x180000;
constexpr uint32_t ROTATION_TABLE_OFFSET = 0x200000;
constexpr uint32_t BACKGROUND_OFFSET = 0x280000;
constexpr uint32_t BACKGROUND_BYTES = 153600;

// Display address high halves of the three screen areas.
constexpr uint16_t DISPLAY_BUFFER_A = 0x0310;
constexpr uint16_t DISPLAY_BUFFER_B = 0x0318;
constexpr uint16_t DISPLAY_BACKGROUND = 0x0328;

// Three arrays of 256 components 0-255: red, green, blue.
struct PaletteStore {
    uint16_t red[256];
    uint16_t green[256];
    uint16_t blue[256];
};

// Opens /dev/mem, maps both windows, clears the screen areas, sets up the display and seeds the
// generator. Returns 1 on success; on a failed open or mapping it releases what it got and
// returns 0, and nothing else here may be called.
int hw_open();
// Unmaps the video window, then the register window, then closes the device.
void hw_close();
// Changes to the menu's folder and executes the menu; ends the process if that fails.
[[noreturn]] void hw_hand_over();

// 0 while buffer A is drawn next, 1 while buffer B is.
extern int flip_state;

// Start of the mapped video memory.
uint8_t* video_window();
// The buffer drawn next (A while the flip state is 0), and the one shown by the latest flip.
uint8_t* back_buffer();
uint8_t* front_buffer();
// Shows the back buffer and toggles the flip state.
void flip_screen();
// Makes the display scan from physical address high x 65,536.
void set_display_address(uint16_t high);

// Busy-waits for the sync status bit to rise, then to fall.
void wait_vsync();
// 1 while the button's pin reads 0, read fresh each call.
int button_pressed(int code);
// Loads all 256 entries into the display controller.
void write_palette(const uint16_t* red, const uint16_t* green, const uint16_t* blue);

// 76,800 bytes of a repeated 32-bit pattern, in 32-byte blocks.
void fill_screen(uint8_t* buffer, uint32_t word);
// 76,800 bytes in 32-byte blocks; the source may start at any byte address.
void copy_screen(uint8_t* destination, const uint8_t* source);
// count bytes set to 0.
void clear_bytes(uint8_t* pointer, uint32_t count);

// Back to the start-of-run state (nothing mapped, flip state 0), for hosts that run the demo again.
void hw_reset();
