// A routine of the C library, which the console binary does not carry.
extern "C" unsigned long strlen(const char*);
extern "C" unsigned long demo_main(const char* s) {
    return strlen(s);
}
