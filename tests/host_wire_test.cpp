// Hostile callers on the bus against the stand-in host: wrong signatures, kinds, counts and
// types, and a point pick whose caller goes away.
#include "cad/dbus/automation_protocol.h"
#include "cad/dbus/dbus_running_objects.h"
#include "call_log.h"
#include "free_bus.h"
#include "temp_dir.h"

#include <QCoreApplication>
#include <QDBusPendingCall>
#include <QDBusVariant>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// "error name: message" of the reply, or "ok".
std::string outcome(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage) {
        return "ok";
    }
    return (reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString();
}

void settle(int milliseconds)
{
    for (int i = 0; i < milliseconds / 10; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

class HostOnTheWire : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost());
    }
    QString log() const { return QString::fromStdString(dir.file("calls.log")); }

    TempDir dir;
};

} // namespace

TEST_F(HostOnTheWire, WrongSignatureGetsInvalidArgsNamingTheExpectedOne)
{
    HostProcess host({"--headless", "--log", log()});
    const QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("AutoCAD.Application"), QStringLiteral("/Document"),
        QLatin1String(automationInterface), QLatin1String(invokeMethod));
    call << QStringLiteral("GetVariable") << QStringLiteral("OSMODE");
    EXPECT_EQ(outcome(bus.call(call)), "org.freedesktop.DBus.Error.InvalidArgs: Invoke takes the "
                                       "signature \"siav\", not \"ss\"");
    // The host still serves well-formed calls.
    EXPECT_EQ(outcome(bus.call(invokeMessage(QStringLiteral("/Document"),
                                             QStringLiteral("GetVariable"), 1,
                                             {QStringLiteral("OSMODE")}))),
              "ok");
}

TEST_F(HostOnTheWire, KindsCountsAndTypesAreCheckedAndReachTheProgramAsSysErrors)
{
    HostProcess host({"--headless", "--log", log()});
    const QString document = QStringLiteral("/Document");
    const QString layers = QStringLiteral("/Layers");
    const struct {
        QString path;
        const char* member;
        int kind;
        QVariantList args;
        std::string outcome;
    } rows[] = {
        {document, "GetVariable", 8, {QStringLiteral("OSMODE")},
         "org.quorvel.Automation.MemberNotFound: Member not found: GetVariable with kind 8"},
        {document, "GetVariable", -1, {QStringLiteral("OSMODE")},
         "org.quorvel.Automation.MemberNotFound: Member not found: GetVariable with kind -1"},
        {document, "SetVariable", 1, {QStringLiteral("OSMODE"), 2.7},
         "org.quorvel.Automation.TypeMismatch: Type mismatch: argument 2 of SetVariable"},
        {document, "SetVariable", 1, {QStringLiteral("OSMODE")},
         "org.quorvel.Automation.BadParamCount: Wrong number of arguments: SetVariable takes 2, "
         "got 1"},
        {layers, "Item", 1, {QStringLiteral("abc")},
         "org.quorvel.Automation.TypeMismatch: Type mismatch: argument 1 of Item"},
        {layers, "Add", 1, {5}, "org.quorvel.Automation.TypeMismatch: Type mismatch: argument 1 of Add"},
        {QStringLiteral("/Utility"), "PolarPoint", 1,
         {QVariant::fromValue(QList<double>{0, 0, 0}), std::numeric_limits<double>::quiet_NaN(), 1.0},
         "org.quorvel.Automation.TypeMismatch: Type mismatch: argument 2 of PolarPoint"},
        {layers, "Count", 3, {}, "ok"},
    };
    const QDBusConnection bus = QDBusConnection::sessionBus();
    for (const auto& row : rows) {
        EXPECT_EQ(outcome(bus.call(invokeMessage(row.path, QLatin1String(row.member), row.kind,
                                                 row.args))),
                  row.outcome)
            << row.member << " kind " << row.kind;
    }

    // The program sees these as EOleSysError, not as the host's exception or an unknown name.
    DBusRunningObjects objects;
    const OleObject doc =
        objects.getActiveObject("AutoCAD.Application").get("ActiveDocument").toObject();
    try {
        doc.call("SetVariable", {"OSMODE", 2.7});
        ADD_FAILURE() << "2.7 accepted";
    } catch (const EOleException&) {
        ADD_FAILURE() << "reported as the host's exception";
    } catch (const EOleSysError& error) {
        EXPECT_NE(std::string(error.what()).find("TypeMismatch"), std::string::npos);
    }
    EXPECT_EQ(doc.call("GetVariable", {"OSMODE"}).toInt32(), 4133); // nothing changed
    EXPECT_EQ(doc.get("Layers").toObject().get("Count").toInt32(), 1); // no layer "" made
}

TEST_F(HostOnTheWire, APickWhoseCallerLeftTheBusIsCancelled)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HostProcess host({"--log", log()}); // with a window and no scripted points: picks wait
    const QString name = QStringLiteral("quorvel-leaving-caller");
    {
        QDBusConnection leaving = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        ASSERT_TRUE(leaving.isConnected());
        leaving.asyncCall(invokeMessage(QStringLiteral("/Utility"), QStringLiteral("GetPoint"), 1,
                                        {QVariantList{}, QStringLiteral("Insert point: ")}),
                          -1);
        settle(300);
    }
    QDBusConnection::disconnectFromBus(name); // the caller leaves without an answer
    settle(300);

    // Another caller's pick now waits for the user instead of being refused at once.
    QDBusPendingCall next = QDBusConnection::sessionBus().asyncCall(
        invokeMessage(QStringLiteral("/Utility"), QStringLiteral("GetPoint"), 1,
                      {QVariantList{}, QStringLiteral("Insert point: ")}),
        -1);
    settle(500);
    EXPECT_FALSE(next.isFinished()) << outcome(next.reply());
    host.stop();
    const Lines lines = readLines(dir.file("calls.log"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Utility\tGetPoint\t1\t<empty>|Insert point: \t!! "
                             "org.quorvel.Automation.Exception: Point selection cancelled: the "
                             "caller left");
}

// An array of objects travels as "ao"; a caller that sends it as an "av" of object paths is
// understood too, and the reply reaches the program's transport as its array of objects.
TEST_F(HostOnTheWire, ArraysOfObjectsCrossTheBusBothWays)
{
    HostProcess host({"--headless", "--log", log()});
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QString modelSpace = QStringLiteral("/ModelSpace");
    const auto polyline = [&] {
        const QDBusMessage reply = bus.call(invokeMessage(
            modelSpace, QStringLiteral("AddLightWeightPolyline"), 1,
            {QVariant::fromValue(QList<double>{0, 0, 4, 0, 4, 3})}));
        const QString path = qvariant_cast<QDBusObjectPath>(
                                 qvariant_cast<QDBusVariant>(reply.arguments().at(0)).variant())
                                 .path();
        bus.call(invokeMessage(path, QStringLiteral("Closed"), 4, {true}));
        return path;
    };
    const QString first = polyline();
    const QDBusMessage asPaths = bus.call(invokeMessage(
        modelSpace, QStringLiteral("AddRegion"), 1,
        {QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(first)})}));
    ASSERT_EQ(outcome(asPaths), "ok");
    const QVariant result = qvariant_cast<QDBusVariant>(asPaths.arguments().at(0)).variant();
    EXPECT_EQ(qvariant_cast<QDBusArgument>(result).currentSignature(), QStringLiteral("ao"));

    const QString second = polyline();
    EXPECT_EQ(outcome(bus.call(invokeMessage(
                  modelSpace, QStringLiteral("AddRegion"), 1,
                  {QVariant(QVariantList{QVariant::fromValue(QDBusObjectPath(second))})}))),
              "ok");
    EXPECT_EQ(outcome(bus.call(invokeMessage(modelSpace, QStringLiteral("AddRegion"), 1,
                                             {QVariant(QVariantList{
                                                 QVariant::fromValue(QDBusObjectPath(second)),
                                                 1.5})}))),
              "org.quorvel.Automation.TypeMismatch: Type mismatch: argument 1 of AddRegion");

    // The program's side: its array of objects goes out, and the array that comes back holds
    // references it can call.
    DBusRunningObjects objects;
    const OleObject space = objects.getActiveObject("AutoCAD.Application")
                                .get("ActiveDocument")
                                .toObject()
                                .get("ModelSpace")
                                .toObject();
    const OleObject outline =
        space.call("AddLightWeightPolyline", {Doubles{0, 0, 4, 0, 4, 3}}).toObject();
    outline.put("Closed", true);
    const Objects regions = space.call("AddRegion", {Objects{outline}}).toObjects();
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].get("Layer").toString(), "0");
    host.stop();
    const Lines calls = readLines(dir.file("calls.log"));
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        "ModelSpace\tAddRegion\t1\t[/Entities/5]\t-> [/Entities/6]"),
              calls.end());
}
