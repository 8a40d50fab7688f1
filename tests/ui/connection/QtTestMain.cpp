// Runs the tests inside a QApplication on the offscreen platform, with the user's configuration folder
// in a temporary directory so that no real profile is read or written.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir configHome;
    if (!configHome.isValid()) {
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
    qputenv("HOME", configHome.path().toUtf8());
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
