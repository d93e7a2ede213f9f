// What assistive technology sees of a hot zone: caption, key, role and the press action.

#include "ui/skin/HotZone.h"
#include "ui/skin/SkinImage.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QAccessibleInterface* Accessible(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    EXPECT_NE(iface, nullptr);
    return iface;
}

TEST(HotZoneAccessibility, CaptionKeyAndRole)
{
    struct Case {
        const char* name;
        QString caption;
        QAccessible::Role role;
        QString expectedName;
        QString expectedKey;
    };
    const Case cases[] = {
        {"button", QStringLiteral("Zamknij"), QAccessible::Button, QStringLiteral("Zamknij"), QString()},
        {"caption of several words", QStringLiteral("Archiwizuj wszystko"), QAccessible::MenuItem,
         QStringLiteral("Archiwizuj wszystko"), QString()},
        {"menu item with its key", QStringLiteral("Usuń wpis       Alt+D"), QAccessible::MenuItem,
         QStringLiteral("Usuń wpis"), QStringLiteral("Alt+D")},
        {"title strip", QStringLiteral("Skrytkar 1.55"), QAccessible::TitleBar, QStringLiteral("Skrytkar 1.55"), QString()},
        {"separator", QString(), QAccessible::Separator, QString(), QString()},
    };
    QWidget window;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* zone = new HotZone(&window, QRect(0, 0, 10, 10), QStringLiteral("zone"), c.caption, c.role);
        QAccessibleInterface* iface = Accessible(zone);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), c.role);
        EXPECT_EQ(iface->text(QAccessible::Name), c.expectedName);
        EXPECT_EQ(iface->text(QAccessible::Accelerator), c.expectedKey);
    }
}

TEST(HotZoneAccessibility, APictureIsAGraphicUntilGivenACaption)
{
    QWidget window;
    auto* picture = new SkinImage(&window);
    QAccessibleInterface* iface = Accessible(picture);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Graphic);
    EXPECT_TRUE(iface->actionInterface()->actionNames().indexOf(QAccessibleActionInterface::pressAction()) < 0);

    // The same interface answers the new role: assistive technology keeps the one it has.
    picture->SetAccessibleCaption(QStringLiteral("Tak"), QAccessible::Button);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Tak"));
}

// "Press" clicks the zone from the event loop, once; a disabled zone offers no press.
TEST(HotZoneAccessibility, PressClicksFromTheEventLoop)
{
    QWidget window;
    auto* zone = new HotZone(&window, QRect(0, 0, 10, 10), QStringLiteral("LClose"), QStringLiteral("Zamknij"));
    int clicks = 0;
    QObject::connect(zone, &HotZone::clicked, [&] { ++clicks; });
    QAccessibleActionInterface* actions = Accessible(zone)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 1);

    zone->setEnabled(false);
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 1);
}

} // namespace
