// gateway_fixture.h - test support for the controller on the engine double: a scratch
// installation whose configuration file ZGW_CONF names, the request and cookie lists as
// the test gives them, the response captured, and the process state (current
// directory, REMOTE_ADDR) restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "entry/zoltgw.h"
#include "support/installation.h"
#include "support/response_capture.h"
#include "zdb_double.h"

// The texts of a list of StrBufs, in order.
inline std::vector<std::string> textsOf(const PtrArray<StrBuf>& list) {
    std::vector<std::string> out;
    for (const auto& item : list) out.push_back(item->str());
    return out;
}

// The record ids of a result, in order.
inline std::vector<std::string> textsOf(const ResultIds& list) {
    std::vector<std::string> out;
    for (std::string_view id : list) out.emplace_back(id);
    return out;
}

// The settings that configuration lines and request parameters change, as texts by
// name; lists are joined with "|", pairs written "name=value".
inline std::map<std::string, std::string> settingsOf(const zoltgw& g) {
    auto joined = [](const auto& list) {
        std::string text;
        for (const auto& item : list) {
            if (!text.empty()) text += '|';
            if constexpr (requires { item->key; }) text += item->key.str() + "=" + item->value.str();
            else text += item->str();
        }
        return text;
    };
    auto n = [](int value) { return std::to_string(value); };
    const FindResult& r = g.findresult;
    return {
        {"user", r.userName.str()}, {"password", r.password.str()}, {"maxHits", n(r.maxHits)},
        {"maxHitsGiven", n(g.maxHitsGiven)}, {"timeout", n(g.timeout)}, {"language", r.language.str()},
        {"encoding", n(g.db.encoding)}, {"suffix", r.zgwSuffix.str()}, {"mime", joined(g.mimeTypes)},
        {"hilon", g.db.hilon.str()}, {"hiloff", g.db.hiloff.str()}, {"hilite", n(g.db.hilite)},
        {"zvDir", r.zvOutputDir.str()}, {"zvUrl", r.zvOutputUrl.str()}, {"debugEcho", n(r.debugEcho)},
        {"level", n(g.db.messageLevel)}, {"noHits", g.db.msgNoHits.str()}, {"login", g.db.msgLogin.str()},
        {"other", g.db.msgOther.str()}, {"cache", r.cacheDir.str()}, {"andOr", g.andOr.str()},
        {"ford", n(r.fordMode)}, {"skipFind", n(g.skipFind)}, {"termSign", n(g.db.termSign)},
        {"row", n(r.zoltRow)}, {"col", n(r.zoltCol)}, {"maxPage", n(r.maxPage)}, {"fuzz", n(r.fuzz)},
        {"part", n(g.zgwPart)}, {"thesaurus", r.thesaurus.str()}, {"diHtml", r.diHtmlTemplate.str()},
        {"snHtml", r.snHtmlTemplate.str()}, {"varA", g.zoltVarA.str()}, {"findString", r.findString.str()},
        {"binaryField", r.binaryFieldName.str()}, {"binaryRequest", n(g.binaryFieldRequest)},
        {"viewField", r.viewFieldName.str()}, {"viewRequest", n(g.viewRequest)},
        {"reverseDefine", n(r.reverseDefine)}, {"ccl", joined(g.cclCommands)}, {"sort", joined(g.sortKeys)},
        {"urlStack", joined(g.urlStack)}, {"saveHtml", g.saveHtml.str()}, {"fields", joined(g.formFields)},
        {"fieldNames", joined(g.formFieldNames)}, {"appl", g.applName.str()}, {"base", g.baseName.str()},
        {"html", r.htmlTemplate.str()}, {"ooHtml", r.ooHtmlTemplate.str()}, {"show", r.showString.str()},
    };
}

// Checks the named settings of the controller (a name it does not know throws).
inline void expectSettings(const zoltgw& g, const Pairs& expected, const std::string& caseName) {
    const auto actual = settingsOf(g);
    for (const auto& [name, value] : expected) EXPECT_EQ(actual.at(name), value) << caseName << ": " << name;
}

class GatewayTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine().reset();
        cgiEntries.clear();
        cookieEntries.clear();
        unsetenv("REMOTE_ADDR");
        savedDirectory = std::filesystem::current_path();
        site = std::make_unique<Installation>();
        engine().rcsFile["ZGW_CONF"] = site->config.string();
        response = std::make_unique<CapturedResponse>();
        gw = std::make_unique<zoltgw>(zoltgw::DefaultsOnly{});
        ASSERT_EQ(Zolt::sessionsStarted(), 0) << "an earlier test left a session running";
    }

    void TearDown() override {
        gw.reset();
        response.reset();
        cgiEntries.clear();
        cookieEntries.clear();
        unsetenv("REMOTE_ADDR");
        std::filesystem::current_path(savedDirectory);
        site.reset();
    }

    // Starts again from a new installation (for tables of cases in one test).
    void fresh() {
        TearDown();
        SetUp();
    }

    // Reads the configuration file written with exactly `text` into the controller.
    int readConfigText(const std::string& text) {
        writeFile(site->config, text);
        return gw->readConfig();
    }

    // A new controller with its defaults and the configuration read (the CACHE line,
    // then `configLines`), as cgiParse finds it.
    void configured(const Pairs& request, const std::string& configLines = "") {
        site->writeConfig(configLines);
        fillList(cgiEntries, request);
        gw = std::make_unique<zoltgw>(zoltgw::DefaultsOnly{});
        ASSERT_EQ(gw->readConfig(), 0) << gw->errorText.view();
    }

    // A new controller logged in with the request's database open (and a saved result
    // read, when the request names one), as the search finds it; the engine log emptied.
    void opened(const Pairs& request, const std::string& configLines = "") {
        configured(request, configLines);
        ASSERT_EQ(gw->cgiParse(), 0) << gw->errorText.view();
        ASSERT_EQ(gw->openDatabase(), 0) << gw->errorText.view();
        engine().log.clear();
    }

    // The whole run of a request.
    void runRequest(const Pairs& request, const std::string& configLines = "") {
        site->writeConfig(configLines);
        fillList(cgiEntries, request);
        gw.reset();
        gw = std::make_unique<zoltgw>(1);
    }

    std::string written() { return response->text(); }
    std::string cacheLine() const { return "CACHE " + site->cache.string() + "\n"; }
    std::string configPath() const { return site->config.string(); }
    static zdbdouble::Engine& engine() { return zdbdouble::engine(); }

    std::filesystem::path savedDirectory;
    std::unique_ptr<Installation> site;
    std::unique_ptr<CapturedResponse> response;
    std::unique_ptr<zoltgw> gw;
};
