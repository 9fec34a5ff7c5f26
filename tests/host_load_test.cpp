// The stand-in host under load: two clients with 10 000 calls each, then a burst of hostile calls
// (huge command texts, endless chamfers, coordinates it cannot store, malformed messages). Its
// resident memory may grow only by a stated bound, it keeps answering, its call log stays
// complete and its DXF is still written whole.
#include "cad/dbus/automation_protocol.h"
#include "call_log.h"
#include "free_bus.h"
#include "temp_dir.h"

#include <QDBusVariant>

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int callsPerClient = 10'000;
constexpr int hugeTexts = 5; // per round, two rounds
constexpr int hugeTextBytes = 4 * 1024 * 1024;
// Growth allowed for the client calls, and for a repeated round of huge texts: the bounded
// drawing and history, little else.
constexpr long clientGrowthBoundKiB = 16 * 1024;
// Growth allowed for everything: the above, and the buffers that the allocator and the bus
// library keep after the first huge messages (about 75 MB measured, the same after 20 texts as
// after 5). Unbounded, the chamfers alone would add some 200 MB and every huge text its size.
constexpr long growthBoundKiB = 128 * 1024;

bool ok(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage;
}

// One client on its own connection: a mix of reads, commands and point picks.
int clientRun(const QString& name, int client)
{
    int failures = 0;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        for (int i = 0; i < callsPerClient; ++i) {
            QDBusMessage call;
            switch (i % 4) {
            case 0:
                call = invokeMessage(QStringLiteral("/Layers"), QStringLiteral("Count"), 3, {});
                break;
            case 1:
                call = invokeMessage(QStringLiteral("/Document"), QStringLiteral("SendCommand"), 1,
                                     {QStringLiteral("_LINE\r%1,%2\r%1,%3\r\r")
                                          .arg(i)
                                          .arg(client)
                                          .arg(client + 1)});
                break;
            case 2:
                call = invokeMessage(QStringLiteral("/Document"), QStringLiteral("GetVariable"), 1,
                                     {QStringLiteral("OSMODE")});
                break;
            default:
                call = invokeMessage(QStringLiteral("/Utility"), QStringLiteral("GetPoint"), 1,
                                     {QVariantList{}, QStringLiteral("Point: ")});
                break;
            }
            failures += ok(bus.call(call, QDBus::Block, 10'000)) ? 0 : 1;
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return failures;
}

struct DxfCount : DL_CreationAdapter {
    int lines = 0;
    int vertices = 0;
    void addLine(const DL_LineData&) override { ++lines; }
    void addVertex(const DL_VertexData&) override { ++vertices; }
};

} // namespace

TEST(HostLoad, TwoBusyClientsAndAHostileBurstKeepTheHostBounded)
{
    ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost());
    TempDir dir;
    HostProcess host({"--headless", "--points", "1,2", "--repeat-points", "--log",
                      QString::fromStdString(dir.file("calls.log")), "--dxf",
                      QString::fromStdString(dir.file("out.dxf"))});
    QDBusConnection bus = QDBusConnection::sessionBus();
    int calls = 0;
    const auto send = [&](const QString& path, const QString& member, int kind,
                          const QVariantList& args) {
        ++calls;
        return bus.call(invokeMessage(path, member, kind, args), QDBus::Block, 30'000);
    };
    const QString document = QStringLiteral("/Document");
    for (int i = 0; i < 200; ++i) { // warm-up: the host's own start-up allocations are done
        ASSERT_TRUE(ok(send(QStringLiteral("/Layers"), QStringLiteral("Count"), 3, {})));
    }
    const long before = host.residentKiB();
    ASSERT_GT(before, 0);

    const auto start = std::chrono::steady_clock::now();
    std::atomic<int> failures = 0;
    std::thread first([&] { failures += clientRun(QStringLiteral("quorvel-load-1"), 1); });
    std::thread second([&] { failures += clientRun(QStringLiteral("quorvel-load-2"), 2); });
    first.join();
    second.join();
    calls += 2 * callsPerClient;
    EXPECT_EQ(failures, 0);
    const long afterClients = host.residentKiB();
    const auto clientsDone = std::chrono::steady_clock::now();

    // The burst. Huge texts: the history keeps them short, the log keeps them whole. A second
    // round finds the allocator's buffers already there, so it may hardly grow the host.
    const auto hugeRound = [&] {
        for (int i = 0; i < hugeTexts; ++i) {
            const QString text = QStringLiteral("REM\r") + QString(hugeTextBytes, QLatin1Char('x'));
            EXPECT_TRUE(ok(send(document, QStringLiteral("SendCommand"), 1, {text})));
        }
    };
    hugeRound();
    // Chamfers again and again on one outline: only its corners are ever cut.
    EXPECT_TRUE(ok(send(document, QStringLiteral("SendCommand"), 1,
                        {QStringLiteral("_PLINE\r0,-6\r100,-6\r100,6\r0,6\rCL\r")})));
    for (int i = 0; i < 22; ++i) {
        EXPECT_TRUE(ok(send(document, QStringLiteral("SendCommand"), 1,
                            {QStringLiteral("_CHAMFER\rD\r1.6\r1.6\rP\rLAST\r")})));
    }
    // Coordinates beyond what a DXF can hold, a polyline beyond the vertex bound, and values,
    // kinds and messages of the wrong shape: each refused, none fatal.
    for (const QString& text :
         {QStringLiteral("_LINE\r0,0\r1E240,0\r\r"), QStringLiteral("_PLINE\r0,0\r0,1E300\rCL\r"),
          QStringLiteral("_PLINE\r") + QStringLiteral("1,1\r").repeated(200'000)}) {
        EXPECT_FALSE(ok(send(document, QStringLiteral("SendCommand"), 1, {text})));
    }
    for (int i = 0; i < 100; ++i) {
        EXPECT_FALSE(ok(send(document, QStringLiteral("GetVariable"), 99, {"OSMODE"})));
        EXPECT_FALSE(ok(send(QStringLiteral("/Layers"), QStringLiteral("Add"), 1, {i})));
        EXPECT_FALSE(ok(send(QStringLiteral("/Utility"), QStringLiteral("PolarPoint"), 1,
                             {QVariant::fromValue(QList<double>{0, 0, 0}), qQNaN(), 1.0})));
        QDBusMessage malformed = QDBusMessage::createMethodCall(
            QStringLiteral("AutoCAD.Application"), document, QLatin1String(automationInterface),
            QLatin1String(invokeMethod));
        malformed << QStringLiteral("SendCommand") << QStringLiteral("_LINE\r0,0\r1,1\r\r");
        EXPECT_FALSE(ok(bus.call(malformed))); // not an Invoke call: not in the call log
    }
    hugeRound();
    const long afterFirst = host.residentKiB();
    hugeRound();
    const long after = host.residentKiB();
    std::printf("client calls took %lld ms, the burst %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           clientsDone - start)
                                           .count()),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - clientsDone)
                                           .count()));
    std::printf("host resident memory (KiB): %ld before, %ld after %d client calls, %ld after "
                "the burst, %ld after more huge texts\n",
                before, afterClients, 2 * callsPerClient, afterFirst, after);
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer's quarantine keeps freed memory resident
    EXPECT_LT(afterClients - before, clientGrowthBoundKiB);
    EXPECT_LT(after - before, growthBoundKiB);
    EXPECT_LT(after - afterFirst, clientGrowthBoundKiB);
#endif
    EXPECT_TRUE(ok(send(QStringLiteral("/Layers"), QStringLiteral("Count"), 3, {})));

    EXPECT_EQ(host.stop(), 0);
    const Lines log = readLines(dir.file("calls.log"));
    EXPECT_EQ(log.size(), static_cast<std::size_t>(calls));
    std::size_t whole = 0;
    for (const std::string& line : log) {
        whole += line.size() > static_cast<std::size_t>(hugeTextBytes) ? 1 : 0;
    }
    EXPECT_EQ(whole, static_cast<std::size_t>(3 * hugeTexts));

    DxfCount dxf;
    DL_Dxf reader;
    ASSERT_TRUE(reader.in(dir.file("out.dxf"), &dxf));
    EXPECT_EQ(dxf.lines, 2 * callsPerClient / 4);
    EXPECT_EQ(dxf.vertices, 8);
}
