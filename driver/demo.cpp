// The whole run: set-up in its fixed order, one pass per displayed frame paced by the sync pulse,
// and the hand-over to the menu.

#include "driver/demo.h"

#include "fixed/fixed.h"
#include "scene/balls.h"
#include "scene/palette.h"
#include "scene/plasma.h"
#include "scene/sprites.h"

extern "C" void demo_main() {
    // The store lives in this frame for the whole run; entries the palette never sets stay black.
    PaletteStore palette;
    clear_bytes((uint8_t*)&palette, sizeof palette);

    // Without the hardware there is nothing to show: leave through the hand-over at once.
    if (hw_open()) {
        init_scene(&palette);
        while (!button_pressed(BUTTON_START)) {
            wait_vsync();
            run_frame();
            flip_screen();
            if (button_pressed(BUTTON_SELECT)) {
                for (int i = 0; i < SLOW_MOTION_WAITS; ++i) {
                    wait_vsync();
                }
            }
        }
        hw_close();
    }
    hw_hand_over();
}

void init_scene(PaletteStore* palette) {
    build_palette(palette);
    cycle_palette();
    place_balls();
    build_rotation_table();
    build_background();
}

void run_frame() {
    uint8_t* target = back_buffer();
    draw_background(target);
    cycle_palette();
    collide_balls();
    move_balls(target);
}

void demo_reset() {
    hw_reset();
    random_reset();
    palette_reset();
    rotation_reset();
    balls_reset();
    plasma_reset();
}
