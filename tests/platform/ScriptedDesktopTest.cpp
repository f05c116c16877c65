#include "support/ScriptedDesktop.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

// The scripted desktop is what every form test leans on: it must fail a test loudly.

TEST(ScriptedDesktop, AnswersInOrderAndRecords)
{
    ScriptedDesktop desktop;
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::No);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    desktop.expectInput(QStringLiteral("7"), QStringLiteral("Value:"));
    desktop.expectSaveFile(std::nullopt);
    EXPECT_EQ(desktop.messageBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"),
                                 BoxButtons::YesNo, nullptr),
              BoxAnswer::No);
    EXPECT_EQ(
        desktop.messageBox(BoxKind::Error, QStringLiteral("any text"), BoxButtons::RetryCancel, nullptr),
        BoxAnswer::Retry);
    EXPECT_EQ(desktop.inputBox(QStringLiteral("C"), QStringLiteral("Value:"), QString(), 10, nullptr),
              QStringLiteral("7"));
    FileDialogRequest request;
    request.title = QStringLiteral("Save");
    EXPECT_EQ(desktop.saveFileName(request, nullptr), std::nullopt);
    ASSERT_EQ(desktop.boxes.size(), 2u);
    EXPECT_EQ(desktop.boxes[1].text, QStringLiteral("any text"));
    EXPECT_EQ(desktop.boxes[1].buttons, BoxButtons::RetryCancel);
    EXPECT_EQ(desktop.saveRequests.at(0).title, QStringLiteral("Save"));
    desktop.endApplication();
    EXPECT_TRUE(desktop.ended);
}

TEST(ScriptedDesktop, FailsOnWhatNobodyExpected)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            EXPECT_EQ(
                desktop.messageBox(BoxKind::Information, QStringLiteral("surprise"), BoxButtons::Ok, nullptr),
                BoxAnswer::Closed);
        },
        "unexpected Information box: \"surprise\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            desktop.openFileName(FileDialogRequest{}, nullptr);
        },
        "unexpected open dialog");
}

TEST(ScriptedDesktop, FailsOnWrongTextKindOrAnswer)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            desktop.expectBox(BoxKind::Error, QStringLiteral("expected"), BoxAnswer::Ok);
            desktop.messageBox(BoxKind::Error, QStringLiteral("shown"), BoxButtons::Ok, nullptr);
        },
        "expected");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
            desktop.messageBox(BoxKind::Confirmation, QStringLiteral("x"), BoxButtons::Ok, nullptr);
        },
        "Confirmation");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            desktop.expectBox(BoxKind::Confirmation, BoxAnswer::Retry);
            desktop.messageBox(BoxKind::Confirmation, QStringLiteral("x"), BoxButtons::YesNo, nullptr);
        },
        "is not a button of the YesNo box");
}

TEST(ScriptedDesktop, FailsOnUnusedExpectationsAndAnUnbalancedCursor)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            desktop.expectBox(BoxKind::Error, QStringLiteral("never"), BoxAnswer::Ok);
        },
        "never shown: \"never\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            desktop.beginBusy();
        },
        "busy cursor not restored");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDesktop desktop;
            desktop.endBusy();
        },
        "endBusy without beginBusy");
}

} // namespace
