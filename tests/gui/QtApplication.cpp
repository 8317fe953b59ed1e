// Every window test needs one QApplication for the whole program, made before the first test
// and kept to its end (windows of a test may still be deleted later by the event loop).
#include <QApplication>

#include <gtest/gtest.h>

namespace {

class QtApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "veg_window_test";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
