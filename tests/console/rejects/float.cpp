// Floating point, which the compiler turns into a runtime routine.
extern "C" float demo_main(float a, float b) {
    return a * b;
}
