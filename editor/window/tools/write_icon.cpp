// Writes Reelbench's icon as FOLDER/SIZE/reelbench.png for each size given.

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

#include "kaleidra/editor/window/program_icon.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kdr-reelbench-icon FOLDER SIZE...\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) {
            std::fprintf(stderr, "kdr-reelbench-icon: %s is no icon size\n", argv[i]);
            return 2;
        }
        const QString sub = folder + '/' + QString::number(size);
        if (!QDir().mkpath(sub) ||
            !kdr::editor::window::program_icon(size).save(sub + "/reelbench.png")) {
            std::fprintf(stderr, "kdr-reelbench-icon: cannot write %s\n", qPrintable(sub));
            return 1;
        }
    }
    return 0;
}
