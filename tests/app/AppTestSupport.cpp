#include "AppTestSupport.h"

#include <memory>

#include <QApplication>

namespace vex::test {
namespace {

// Lives until the end of the test program; destroyed before static
// destructors run, while Qt can still tear down cleanly.
class QtEnvironment : public ::testing::Environment {
public:
    void TearDown() override { app_.reset(); }
    void Create()
    {
        if (app_ || QApplication::instance()) return;
        static int argc = 1;
        static char name[] = "vexmira_app_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }

private:
    std::unique_ptr<QApplication> app_;
};

QtEnvironment* gEnvironment = static_cast<QtEnvironment*>(::testing::AddGlobalTestEnvironment(new QtEnvironment));

} // namespace

void EnsureApplication() { gEnvironment->Create(); }

} // namespace vex::test
