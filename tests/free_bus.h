#pragma once
// A test that starts its own host needs a session bus with no other host on it. Call it as
// ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost()).

#include "host_process.h"

#include <gtest/gtest.h>

inline void assertBusFreeForHost()
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
        << "needs a session bus: run the tests under dbus-run-session";
    ASSERT_FALSE(HostProcess::owned()) << "another CAD host owns AutoCAD.Application";
}
