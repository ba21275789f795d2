// The command router: the active child frame before the main frame, ids that
// nobody handles disabled, states refreshed when a menu is about to show.

#include <map>
#include <vector>

#include <QAction>
#include <QMenu>

#include "AppTestSupport.h"
#include "platform/CommandRouter.h"
#include "platform/RegisteredEvents.h"

namespace vex {
namespace {

class FakeTarget : public CommandTarget {
public:
    std::map<int, CommandState> handles;
    std::vector<int> ran;
    bool OnCommand(int id) override
    {
        if (!handles.count(id)) return false;
        ran.push_back(id);
        return true;
    }
    bool OnUpdateCommand(int id, CommandState& state) override
    {
        const auto found = handles.find(id);
        if (found == handles.end()) return false;
        state = found->second;
        return true;
    }
};

class CommandRouterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::EnsureApplication();
        router_.SetMainTarget(&main_);
        router_.SetActiveChild([this]() -> CommandTarget* { return hasChild_ ? &child_ : nullptr; });
    }
    CommandRouter router_;
    FakeTarget main_;
    FakeTarget child_;
    bool hasChild_ = true;
};

TEST_F(CommandRouterTest, ChildFrameBeforeMainFrame)
{
    child_.handles[100] = {true, false};
    main_.handles[100] = {true, true};
    main_.handles[200] = {true, true};
    EXPECT_TRUE(router_.Execute(100));
    EXPECT_EQ(child_.ran, std::vector<int>{100});
    EXPECT_TRUE(main_.ran.empty());
    // The child's state wins, the main frame's fills in for the rest.
    EXPECT_FALSE(router_.Query(100).checked);
    EXPECT_TRUE(router_.Query(200).checked);
    EXPECT_TRUE(router_.Execute(200));
    EXPECT_EQ(main_.ran, std::vector<int>{200});
}

TEST_F(CommandRouterTest, WithoutChildTheMainFrameHandles)
{
    hasChild_ = false;
    child_.handles[100] = {true, false};
    main_.handles[100] = {true, false};
    EXPECT_TRUE(router_.Execute(100));
    EXPECT_TRUE(child_.ran.empty());
    EXPECT_EQ(main_.ran, std::vector<int>{100});
}

TEST_F(CommandRouterTest, UnhandledIdsAreDisabledAndDoNothing)
{
    QAction action;
    router_.AddAction(300, &action);
    EXPECT_FALSE(action.isEnabled());
    EXPECT_FALSE(router_.Query(300).enabled);
    EXPECT_FALSE(router_.Execute(300));
    // A handler that disables its id is not run either.
    child_.handles[301] = {false, false};
    EXPECT_FALSE(router_.Execute(301));
    EXPECT_TRUE(child_.ran.empty());
}

TEST_F(CommandRouterTest, MenuStatesRefreshWhenAboutToShow)
{
    QMenu menu;
    QAction* plain = menu.addAction(QStringLiteral("plain"));
    QAction* check = menu.addAction(QStringLiteral("check"));
    check->setCheckable(true);
    router_.AddAction(400, plain);
    router_.AddAction(401, check);
    router_.WatchMenu(&menu);
    EXPECT_FALSE(plain->isEnabled());

    main_.handles[400] = {true, false};
    child_.handles[401] = {true, true};
    EXPECT_FALSE(plain->isEnabled()); // nothing refreshed yet
    emit menu.aboutToShow();
    EXPECT_TRUE(plain->isEnabled());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(check->isChecked());

    child_.handles[401] = {true, false};
    hasChild_ = false; // the main frame does not handle 401
    emit menu.aboutToShow();
    EXPECT_FALSE(check->isEnabled());
    EXPECT_FALSE(check->isChecked());
}

TEST_F(CommandRouterTest, TriggeringRunsTheCommandAndKeepsTheTargetsCheckState)
{
    QAction action;
    action.setCheckable(true);
    main_.handles[500] = {true, false};
    router_.AddAction(500, &action);
    action.trigger();
    EXPECT_EQ(main_.ran, std::vector<int>{500});
    // The action toggled itself; the handler still says unchecked.
    EXPECT_FALSE(action.isChecked());
}

TEST(RegisteredEventsTest, OneStableTypePerName)
{
    const QEvent::Type show = RegisteredEventType(kMsgShow);
    const QEvent::Type update = RegisteredEventType(kMsgUpdateList);
    const QEvent::Type progress = RegisteredEventType(kMsgProgress);
    for (QEvent::Type t : {show, update, progress}) {
        EXPECT_GE(int(t), int(QEvent::User));
        EXPECT_LE(int(t), int(QEvent::MaxUser));
    }
    EXPECT_NE(show, update);
    EXPECT_NE(show, progress);
    EXPECT_NE(update, progress);
    EXPECT_EQ(RegisteredEventType("Zelto.Show"), show);
    EXPECT_EQ(RegisteredEventType(std::string("Zelto.Progress").c_str()), progress);
    const RegisteredEvent event(kMsgShow, -1, 0);
    EXPECT_EQ(event.type(), show);
    EXPECT_EQ(event.WParam(), -1);
}

} // namespace
} // namespace vex
