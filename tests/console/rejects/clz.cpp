// An instruction of a later architecture than the console's.
extern "C" int demo_main(int x) {
    asm(".arch armv5te\n clz %0, %0" : "+r"(x));
    return x;
}
