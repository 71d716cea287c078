// The 25 libretro entry points, empty, exported: included last by every sample, so that a sample
// may rename one of them first.
#ifdef _WIN32
#define API extern "C" __declspec(dllexport)
#else
#define API extern "C" __attribute__((visibility("default")))
#endif

API void retro_api_version() {}
API void retro_cheat_reset() {}
API void retro_cheat_set() {}
API void retro_deinit() {}
API void retro_get_memory_data() {}
API void retro_get_memory_size() {}
API void retro_get_region() {}
API void retro_get_system_av_info() {}
API void retro_get_system_info() {}
API void retro_init() {}
API void retro_load_game() {}
API void retro_load_game_special() {}
API void retro_reset() {}
API void retro_run() {}
API void retro_serialize() {}
API void retro_serialize_size() {}
API void retro_set_audio_sample() {}
API void retro_set_audio_sample_batch() {}
API void retro_set_controller_port_device() {}
API void retro_set_environment() {}
API void retro_set_input_poll() {}
API void retro_set_input_state() {}
API void retro_set_video_refresh() {}
API void retro_unload_game() {}
API void retro_unserialize() {}
