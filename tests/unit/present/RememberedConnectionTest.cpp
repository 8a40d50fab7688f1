// What the connection start-up remembers and reads back, against a store kept in memory.
#include "present/RememberedConnection.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "present/ConnectionForm.h"
#include "tests/unit/present/MemoryStore.h"

namespace {

TEST(RememberedConnection, WhatIsRememberedComesBackAndNothingRememberedShowsTheDefaults) {
    MemoryStore store;
    const ConnectionChoice first = RememberedConnection(store);
    EXPECT_EQ(first.devicePath, "");
    EXPECT_FALSE(first.echo);
    EXPECT_EQ(PreselectLine(first.baudRate, first.parity, first.stopBits, first.address),
              FactoryLineChoice());

    EXPECT_FALSE(first.replyTimeoutMs);
    EXPECT_FALSE(first.rs485);

    RememberConnection(store, {"rfc2217://10.0.0.5:4001", 57600, 0, 2, 5, true, 400, true});
    EXPECT_EQ(store.values, (std::map<std::string, std::string>{{"Address", "5"},
                                                                {"BaudRate", "57600"},
                                                                {"ComPort", "rfc2217://10.0.0.5:4001"},
                                                                {"Echo", "1"},
                                                                {"Framing", ""},
                                                                {"Parity", "0"},
                                                                {"ReplyTimeout", "400"},
                                                                {"Rs485", "1"},
                                                                {"StopBits", "2"}}));
    const ConnectionChoice again = RememberedConnection(store);
    EXPECT_EQ(again.devicePath, "rfc2217://10.0.0.5:4001");
    EXPECT_EQ(again.baudRate, 57600u);
    EXPECT_EQ(again.stopBits, 2);
    EXPECT_EQ(again.address, 5);
    EXPECT_TRUE(again.echo);
    EXPECT_EQ(again.replyTimeoutMs, 400u);
    EXPECT_TRUE(again.rs485);
    EXPECT_FALSE(again.framing);
}

// None given is stored as 0; a hand-edited value the field would refuse reads as none.
TEST(RememberedConnection, OnlyAReplyTimeTheOperatorCouldGiveComesBack) {
    const struct {
        const char* stored;
        std::optional<std::uint32_t> read;
    } rows[] = {{"0", std::nullopt}, {"9", std::nullopt},     {"10", 10u},
                {"10000", 10000u},   {"10001", std::nullopt}, {"-50", std::nullopt}};
    for (const auto& row : rows) {
        MemoryStore store;
        store.values["ReplyTimeout"] = row.stored;
        EXPECT_EQ(RememberedConnection(store).replyTimeoutMs, row.read) << row.stored;
    }
    MemoryStore store;
    RememberConnection(store, {});
    EXPECT_EQ(store.values["ReplyTimeout"], "0");
}

TEST(RememberedConnection, GatewayKindIsRememberedWithThePort) {
    const struct {
        std::optional<traffic::Framing> framing;
        const char* stored;
    } rows[] = {
        {traffic::Framing::Mbap, "mbap"},
        {traffic::Framing::Rtu, "rtu"},
        {std::nullopt, ""},
    };
    for (const auto& row : rows) {
        MemoryStore store;
        ConnectionChoice choice{"tcp://10.0.0.5:502", 19200, 2, 0, 16, false, std::nullopt, false, std::nullopt};
        choice.framing = row.framing;
        RememberConnection(store, choice);
        EXPECT_EQ(store.values["Framing"], row.stored);
        EXPECT_EQ(RememberedConnection(store).framing, row.framing) << row.stored;
    }
    // A hand-edited value it does not know: asked on connect.
    MemoryStore edited;
    edited.values["Framing"] = "ascii";
    EXPECT_FALSE(RememberedConnection(edited).framing);
}

TEST(RememberedConnection, WrittenSettingsAreOfferedOnTheSamePort) {
    const ConnectionChoice remembered{"/dev/ttyUSB0", 19200, 2, 0, 16, true, 300, true};
    const struct {
        CommConfig written;
        std::uint32_t baud;
        std::uint8_t parity, stopBits, address;
    } rows[] = {
        {{57600, 5, CArdeno::ModeNone2Stop}, 57600, 0, 2, 5},
        {{9600, 247, CArdeno::ModeOdd1Stop}, 9600, 1, 0, 247},
        // A speed the dialog cannot show: the one in use stays.
        {{115200, 7, CArdeno::ModeNone1Stop}, 19200, 0, 0, 7},
    };
    for (const auto& row : rows) {
        const ConnectionChoice offered = OfferWritten(remembered, row.written);
        EXPECT_EQ(offered.devicePath, remembered.devicePath);
        EXPECT_TRUE(offered.echo);
        EXPECT_EQ(offered.replyTimeoutMs, 300u) << "how the port is driven stays with it";
        EXPECT_TRUE(offered.rs485);
        EXPECT_EQ(offered.baudRate, row.baud);
        EXPECT_EQ(offered.parity, row.parity);
        EXPECT_EQ(offered.stopBits, row.stopBits);
        EXPECT_EQ(offered.address, row.address);
    }
}

}  // namespace
