#include "Views/WindowFront.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

TEST(WindowFront, OnlyADialogThatBlocksTheWindowTakesItsActivation)
{
    QWidget editor;
    QWidget other;
    editor.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    EXPECT_EQ(WindowFront::blockingDialog(&editor), nullptr);
    EXPECT_EQ(WindowFront::activationTarget(&editor), &editor);

    // A dialog modal to another window leaves the editor be.
    QDialog otherAlert(&other);
    otherAlert.setWindowModality(Qt::WindowModal);
    otherAlert.show();
    EXPECT_EQ(WindowFront::activationTarget(&editor), &editor);
    EXPECT_EQ(WindowFront::activationTarget(&other), &otherAlert);
    otherAlert.hide();

    // The editor's own, and a question asked over that one: the topmost takes it.
    QDialog alert(&editor);
    alert.setWindowModality(Qt::WindowModal);
    alert.show();
    EXPECT_EQ(WindowFront::activationTarget(&editor), &alert);
    QDialog question(&alert);
    question.setWindowModality(Qt::WindowModal);
    question.show();
    EXPECT_EQ(WindowFront::activationTarget(&editor), &question);
    EXPECT_EQ(WindowFront::raiseAndActivate(&editor), &question);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &question; }, 2000));
    question.hide();
    alert.hide();

    // An application-modal dialog (a file panel) blocks every window.
    QDialog panel;
    panel.setWindowModality(Qt::ApplicationModal);
    panel.show();
    EXPECT_EQ(WindowFront::activationTarget(&other), &panel);
    panel.hide();
    EXPECT_EQ(WindowFront::activationTarget(&editor), &editor);
}
