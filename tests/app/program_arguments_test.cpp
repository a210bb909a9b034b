// The programs take no command line: Qt's own options on it have no effect.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/qt/program_arguments.h"

namespace {

TEST(ProgramArguments, QtIsHandedTheProgramNameAlone) {
    char name[] = "tq58pc-rex5052-nt";
    char reverse[] = "-reverse";
    char style[] = "-style";
    char windows[] = "windows";
    char* argv[] = {name, reverse, style, windows, nullptr};
    ProgramArguments arguments(4, argv);
    QApplication application(arguments.count(), arguments.values());
    EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight) << "-reverse mirrors the window";
    EXPECT_EQ(QCoreApplication::arguments(), QStringList{"tq58pc-rex5052-nt"});
}

}  // namespace
