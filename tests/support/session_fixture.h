// session_fixture.h - test support for the session object on the engine double: a
// fresh double and a session logged in, its log emptied, for each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "db/zolt.h"
#include "zdb_double.h"

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.reset();
        db = std::make_unique<Zolt>();
        db->login("u", "");
        ASSERT_EQ(db->state, 0);
        e.log.clear();
    }
    void TearDown() override { db.reset(); }

    zdbdouble::Engine& e = zdbdouble::engine();
    std::unique_ptr<Zolt> db;
};
