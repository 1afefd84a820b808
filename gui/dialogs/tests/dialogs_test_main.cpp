// The dialogs' tests run inside a Qt application of their own, as a Qt
// program that calls the library does (the library then uses it).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
