// The traffic window's model (bounded, one insert per drain, counts, pause) and the window opened
// from the main window while the real worker polls the stand-in.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <optional>
#include <vector>

#include "tests/ui/mainwindow/GuiTestSupport.h"
#include "traffic/FrameRing.h"
#include "ui/ArdenoXModbusDlg.h"
#include "ui/TrafficModel.h"

namespace {

using traffic::Direction;
using traffic::Outcome;

void Put(traffic::FrameRing& ring, Outcome outcome, std::uint8_t tag, std::size_t length = 5) {
    const std::vector<std::uint8_t> bytes(length, tag);
    const Direction direction = outcome == Outcome::Request ? Direction::ToSlave : Direction::FromSlave;
    ring.OnFrame(traffic::MakeFrame(direction, outcome, bytes, 7));
}

QString Bytes(const CTrafficModel& model, int row) {
    return model.index(row, CTrafficModel::ColumnBytes).data().toString();
}

TEST(TrafficModel, TakesEachDrainAsOneBatchAndKeepsOnlyTheNewestRows) {
    traffic::FrameRing ring;
    CTrafficModel model(ring, 5);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
    struct Step {
        int frames;
        int rows;
        int removed;
        QString oldest;
    };
    const Step steps[] = {
        {3, 3, 0, "00 00 00 00 00"}, {4, 5, 2, "02 02 02 02 02"}, {12, 5, 5, "0E 0E 0E 0E 0E"}};
    std::uint8_t tag = 0;
    for (const Step& step : steps) {
        inserts.clear();
        removals.clear();
        for (int k = 0; k < step.frames; ++k) {
            Put(ring, Outcome::Request, tag++);
        }
        model.Drain();
        EXPECT_EQ(inserts.size(), 1);
        EXPECT_EQ(model.rowCount(), step.rows);
        EXPECT_EQ(removals.size(), step.removed == 0 ? 0 : 1);
        EXPECT_EQ(Bytes(model, 0), step.oldest);
        EXPECT_EQ(Bytes(model, step.rows - 1),
                  QString("%1 %1 %1 %1 %1").arg(tag - 1, 2, 16, QChar('0')).toUpper());
    }
}

TEST(TrafficModel, CountsWhatTheLineDidAndMarksFailures) {
    traffic::FrameRing ring;
    CTrafficModel model(ring);
    for (const Outcome outcome : {Outcome::Request, Outcome::Ok, Outcome::Timeout, Outcome::Short,
                                  Outcome::BadCrc, Outcome::Exception, Outcome::Late}) {
        Put(ring, outcome, 1, outcome == Outcome::Timeout ? 0 : 5);
    }
    // What is counted is TrafficRows' (tests/unit/present/TrafficRowsTest.cpp); here, what the table shows.
    QSignalSpy counted(&model, &CTrafficModel::countsChanged);
    model.Drain();
    EXPECT_EQ(counted.size(), 1);
    EXPECT_EQ(model.GetCounts().requests, 1u);
    EXPECT_FALSE(model.index(1, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(model.index(4, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model.index(4, CTrafficModel::ColumnOutcome).data().toString(), "bad CRC");

    model.SetPaused(true);
    Put(ring, Outcome::Request, 2);
    model.Drain();
    EXPECT_EQ(model.rowCount(), 7);
    EXPECT_EQ(model.GetCounts().requests, 2u);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.GetCounts().requests, 0u);
}

TEST(TrafficWindow, OpensWhilePollingAndFillsWithoutDisturbingIt) {
    guitest::CConnectedController connection;
    traffic::FrameRing ring;
    connection.transport.SetFrameObserver(&ring);
    CArdenoXModbusDlg window(connection.controller, connection.port, &ring);
    ASSERT_TRUE(connection.worker.Start(connection.controller));
    guitest::RunWithScript(
        window, [&] { return window.DoModal(); },
        [&] {
            auto* status = window.findChild<QLabel*>("statusLabel");
            ASSERT_TRUE(QTest::qWaitFor([&] { return status->text() == "Connected"; }, guitest::kWaitMs));
            window.findChild<QPushButton*>("trafficButton")->click();
            auto* view = window.findChild<QTableView*>();
            ASSERT_NE(view, nullptr);
            EXPECT_TRUE(view->window()->isVisible());
            // Rows keep coming while it is open: at least a poll round's six requests and replies.
            const int opened = view->model()->rowCount();
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return view->model()->rowCount() >= opened + 12; }, guitest::kWaitMs));
            view->window()->close();
            EXPECT_EQ(status->text(), "Connected");
            window.findChild<QPushButton*>("closeButton")->click();
        });
}

// Change ends the window; an open Traffic window comes back with the next one, where it was.
TEST(TrafficWindow, OpenAtChangeOpensAgainWithTheNextWindow) {
    guitest::CConnectedController connection;
    traffic::FrameRing ring;
    std::optional<QByteArray> geometry;
    for (const bool openIt : {true, false}) {
        CArdenoXModbusDlg window(connection.controller, connection.port, &ring);
        if (geometry) {
            window.ReopenTraffic(*geometry);
        }
        guitest::RunWithScript(
            window, [&] { return window.DoModal(); },
            [&] {
                auto* traffic = window.findChild<QTableView*>()->window();
                if (openIt) {
                    window.findChild<QPushButton*>("trafficButton")->click();
                    traffic->move(40, 60);
                } else {
                    EXPECT_TRUE(QTest::qWaitFor([&] { return traffic->isVisible(); }, guitest::kWaitMs));
                    EXPECT_EQ(traffic->pos(), QPoint(40, 60));
                }
                window.findChild<QPushButton*>("changeButton")->click();
            });
        geometry = window.OpenTrafficGeometry();
        EXPECT_TRUE(geometry.has_value());
    }
}

}  // namespace
