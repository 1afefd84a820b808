// A tiny shared library that the dynamic-library test loads.
extern "C" __attribute__((visibility("default"))) int kdr_test_answer() {
    return 42;
}
