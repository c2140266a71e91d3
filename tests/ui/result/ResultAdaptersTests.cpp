// The pieces between the engine and the widgets: the status images, the progress bar and list
// adapters, and the suspension of list updates.

#include "CaseName.h"
#include "core/u_Types.h"
#include "u_QtListView.h"
#include "u_QtProgressBar.h"
#include "u_QtText.h"
#include "u_ResultColumns.h"
#include "u_StatusImages.h"
#include "u_UpdatesSuspender.h"

#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvane {
namespace {

struct TColourCount {
    int g_intGreen = 0;
    int g_intRed = 0;
};

TColourCount CountDominantColours(const QImage& p_Image) {
    TColourCount m_Count;
    for (int m_intY = 0; m_intY < p_Image.height(); ++m_intY) {
        for (int m_intX = 0; m_intX < p_Image.width(); ++m_intX) {
            const QColor m_Pixel = p_Image.pixelColor(m_intX, m_intY);
            if (m_Pixel.alpha() < 128) {
                continue;
            }
            if (m_Pixel.green() > m_Pixel.red() + 60) {
                ++m_Count.g_intGreen;
            } else if (m_Pixel.red() > m_Pixel.green() + 60) {
                ++m_Count.g_intRed;
            }
        }
    }
    return m_Count;
}

TEST(StatusImages, TickIsGreenAndCrossIsRedOnTransparentSixteenSquare) {
    const QImage m_Tick = DrawStatusImage(0);
    const QImage m_Cross = DrawStatusImage(1);
    for (const QImage& m_Image : {m_Tick, m_Cross}) {
        EXPECT_EQ(m_Image.size(), QSize(16, 16));
        EXPECT_EQ(m_Image.pixelColor(0, 0).alpha(), 0);
    }
    const TColourCount m_TickColours = CountDominantColours(m_Tick);
    const TColourCount m_CrossColours = CountDominantColours(m_Cross);
    EXPECT_GT(m_TickColours.g_intGreen, 10);
    EXPECT_EQ(m_TickColours.g_intRed, 0);
    EXPECT_GT(m_CrossColours.g_intRed, 10);
    EXPECT_EQ(m_CrossColours.g_intGreen, 0);
    // The cross crosses in the middle; the tick leaves the middle of its top row free.
    EXPECT_GE(m_Cross.pixelColor(8, 8).alpha(), 128);
    EXPECT_EQ(m_Tick.pixelColor(8, 0).alpha(), 0);
}

TEST(QtProgressBar, PositionBeyondTheMaximumShowsClampedAndCatchesUp) {
    QProgressBar m_pgrBar;
    m_pgrBar.setRange(0, 100);
    m_pgrBar.setValue(50);
    TQtProgressBar m_Adapter(&m_pgrBar);
    m_Adapter.SetMax(3);
    EXPECT_EQ(m_pgrBar.value(), 3);
    m_Adapter.SetPosition(5);
    EXPECT_EQ(m_pgrBar.maximum(), 3);
    EXPECT_EQ(m_pgrBar.value(), 3);
    m_Adapter.SetMax(10);
    EXPECT_EQ(m_pgrBar.value(), 5);
    m_Adapter.SetPosition(7);
    EXPECT_EQ(m_pgrBar.value(), 7);
}

TEST(QtProgressBar, FillAndFrozenMaximum) {
    QProgressBar m_pgrBar;
    TQtProgressBar m_Adapter(&m_pgrBar);
    m_Adapter.SetMax(40);
    m_Adapter.SetPosition(12);
    m_Adapter.FreezeMax();
    m_Adapter.Fill();
    m_Adapter.SetMax(41);
    EXPECT_EQ(m_pgrBar.maximum(), 40);
    EXPECT_EQ(m_pgrBar.value(), 40);
}

// Calls after Detach change nothing, nor do values still waiting (coalesced) when it came.
TEST(QtProgressBar, DetachedAdapterLeavesTheBarAlone) {
    for (const bool m_IsCoalescing : {false, true}) {
        QProgressBar m_pgrBar;
        m_pgrBar.setRange(0, 100);
        m_pgrBar.setValue(50);
        TQtProgressBar m_Adapter(&m_pgrBar);
        m_Adapter.SetCoalescing(m_IsCoalescing);
        if (m_IsCoalescing) {
            m_Adapter.SetMax(7);
            m_Adapter.SetPosition(2);
        }
        m_Adapter.Detach();
        m_Adapter.SetMax(7);
        m_Adapter.SetPosition(2);
        m_Adapter.ApplyPending();
        m_Adapter.Fill();
        EXPECT_EQ(m_pgrBar.maximum(), 100) << m_IsCoalescing;
        EXPECT_EQ(m_pgrBar.value(), 50) << m_IsCoalescing;
    }
}

// One call of the count pass (a maximum) or of the processing pass (a position).
struct TProgressCall {
    bool g_IsMax = false;
    std::int32_t g_intValue = 0;
};

struct TCoalescingCase {
    const char* g_strName;
    std::vector<TProgressCall> g_arrCalls;
};

class QtProgressBarCoalescingTest : public ::testing::TestWithParam<TCoalescingCase> {};

// A bar that shows only the latest values must end where one that showed every call ends.
TEST_P(QtProgressBarCoalescingTest, LatestValuesEndWhereEveryCallWouldHave) {
    QProgressBar m_pgrEveryCall;
    QProgressBar m_pgrCoalesced;
    for (QProgressBar* m_pgrBar : {&m_pgrEveryCall, &m_pgrCoalesced}) {
        m_pgrBar->setRange(0, 100);
        m_pgrBar->setValue(50);
    }
    TQtProgressBar m_EveryCall(&m_pgrEveryCall);
    TQtProgressBar m_Coalesced(&m_pgrCoalesced);
    m_Coalesced.SetCoalescing(true);
    for (const TProgressCall& m_Call : GetParam().g_arrCalls) {
        for (TQtProgressBar* m_Adapter : {&m_EveryCall, &m_Coalesced}) {
            if (m_Call.g_IsMax) {
                m_Adapter->SetMax(m_Call.g_intValue);
            } else {
                m_Adapter->SetPosition(m_Call.g_intValue);
            }
        }
    }
    EXPECT_EQ(m_pgrCoalesced.maximum(), 100);
    EXPECT_EQ(m_pgrCoalesced.value(), 50);

    m_Coalesced.ApplyPending();
    EXPECT_EQ(m_pgrCoalesced.maximum(), m_pgrEveryCall.maximum());
    EXPECT_EQ(m_pgrCoalesced.value(), m_pgrEveryCall.value());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, QtProgressBarCoalescingTest,
    ::testing::Values(
        TCoalescingCase{"MaximumThenPositions", {{true, 10}, {false, 3}, {false, 7}}},
        TCoalescingCase{"PositionAheadOfTheCount", {{true, 3}, {false, 5}, {true, 4}}},
        TCoalescingCase{"CountCatchesUp", {{true, 3}, {false, 5}, {true, 10}, {false, 6}}},
        TCoalescingCase{"NegativeMaximumStopsAtZero", {{false, 2}, {true, -1}}},
        TCoalescingCase{"PositionOnly", {{false, 80}}},
        TCoalescingCase{"MaximumOnly", {{true, 20}}}, TCoalescingCase{"NothingHandedOver", {}}),
    test::TCaseNameFromName());

TEST(QtProgressBar, CoalescedBarEndsAtTheLastMaximumHandedBeforeTheFreeze) {
    QProgressBar m_pgrFilled;
    QProgressBar m_pgrStopped;
    TQtProgressBar m_Filled(&m_pgrFilled);
    TQtProgressBar m_Stopped(&m_pgrStopped);
    for (TQtProgressBar* m_Adapter : {&m_Filled, &m_Stopped}) {
        m_Adapter->SetCoalescing(true);
        m_Adapter->SetMax(40);
        m_Adapter->SetPosition(12);
        m_Adapter->FreezeMax();
        m_Adapter->SetMax(41);
        m_Adapter->ApplyPending();
    }
    // A finished task fills the bar; a stopped one keeps the last position.
    m_Filled.Fill();
    EXPECT_EQ(m_pgrFilled.maximum(), 40);
    EXPECT_EQ(m_pgrFilled.value(), 40);
    EXPECT_EQ(m_pgrStopped.maximum(), 40);
    EXPECT_EQ(m_pgrStopped.value(), 12);
}

class QtListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QList<TResultColumn> m_arrColumns = ResultColumns(kModeReplace);
        g_lvwList.setColumnCount(static_cast<int>(m_arrColumns.size()));
        for (int m_intColumn = 0; m_intColumn < m_arrColumns.size(); ++m_intColumn) {
            g_lvwList.headerItem()->setTextAlignment(m_intColumn,
                                                     m_arrColumns.at(m_intColumn).g_Alignment);
        }
    }

    QTreeWidget g_lvwList;
    QList<QIcon> g_arrImages = BuildStatusImageList();
};

TEST_F(QtListViewTest, AddsRowsWithImageCellsAndColumnAlignment) {
    TQtListView m_Adapter(&g_lvwList, g_arrImages);
    EXPECT_EQ(m_Adapter.RowCount(), 0);
    m_Adapter.AddRow(u"", 0, {u"1", u"成功", u"UTF8无Bom", u"/a b/c.txt", u""});
    m_Adapter.AddRow(u"", 1, {u"2", u"失败", u"ANSI", u"/d.txt", u"denied"});
    ASSERT_EQ(m_Adapter.RowCount(), 2);

    const QTreeWidgetItem* m_Item = g_lvwList.topLevelItem(1);
    EXPECT_EQ(m_Item->text(0), QString());
    EXPECT_EQ(m_Item->text(1), QStringLiteral("2"));
    EXPECT_EQ(m_Item->text(2), QStringLiteral("失败"));
    EXPECT_EQ(m_Item->text(3), QStringLiteral("ANSI"));
    EXPECT_EQ(m_Item->text(kFileNameColumn), QStringLiteral("/d.txt"));
    EXPECT_EQ(m_Item->text(5), QStringLiteral("denied"));
    EXPECT_EQ(m_Item->icon(0).cacheKey(), g_arrImages.at(1).cacheKey());
    EXPECT_EQ(g_lvwList.topLevelItem(0)->icon(0).cacheKey(), g_arrImages.at(0).cacheKey());
    EXPECT_EQ(m_Item->data(1, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignHCenter);
    EXPECT_EQ(m_Item->data(kFileNameColumn, Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignLeft);
}

TEST_F(QtListViewTest, DetachedAdapterDropsRows) {
    TQtListView m_Adapter(&g_lvwList, g_arrImages);
    m_Adapter.Detach();
    m_Adapter.AddRow(u"", 0, {u"1", u"成功", u"ANSI", u"/x", u""});
    EXPECT_EQ(g_lvwList.topLevelItemCount(), 0);
    EXPECT_EQ(m_Adapter.RowCount(), 0);
}

TEST_F(QtListViewTest, CoalescedRowsWaitThenComeInOrderAsOneInsertion) {
    QTreeWidget m_lvwEveryRow;
    m_lvwEveryRow.setColumnCount(g_lvwList.columnCount());
    for (int m_intColumn = 0; m_intColumn < g_lvwList.columnCount(); ++m_intColumn) {
        m_lvwEveryRow.headerItem()->setData(
            m_intColumn, Qt::TextAlignmentRole,
            g_lvwList.headerItem()->data(m_intColumn, Qt::TextAlignmentRole));
    }
    TQtListView m_EveryRow(&m_lvwEveryRow, g_arrImages);
    TQtListView m_Coalesced(&g_lvwList, g_arrImages);
    m_Coalesced.SetCoalescing(true);
    const QSignalSpy m_Insertions(g_lvwList.model(), &QAbstractItemModel::rowsInserted);

    // Numbered as the engine numbers them: by the count so far, waiting rows included.
    const auto AddRows = [&](int p_intCount) {
        for (int m_intRow = 0; m_intRow < p_intCount; ++m_intRow) {
            for (TQtListView* m_Adapter : {&m_EveryRow, &m_Coalesced}) {
                const std::int32_t m_intNumber = m_Adapter->RowCount() + 1;
                m_Adapter->AddRow(
                    u"", m_intNumber % 2,
                    {ToU16String(QString::number(m_intNumber)), u"成功", u"ANSI", u"/f.txt", u""});
            }
        }
    };
    AddRows(3);
    EXPECT_EQ(g_lvwList.topLevelItemCount(), 0);
    EXPECT_EQ(m_Coalesced.RowCount(), 3);
    m_Coalesced.ApplyPending();
    AddRows(2);
    EXPECT_EQ(m_Coalesced.RowCount(), 5);
    m_Coalesced.ApplyPending();
    m_Coalesced.ApplyPending();
    EXPECT_EQ(m_Insertions.count(), 2);

    ASSERT_EQ(g_lvwList.topLevelItemCount(), 5);
    for (int m_intRow = 0; m_intRow < 5; ++m_intRow) {
        const QTreeWidgetItem* m_Item = g_lvwList.topLevelItem(m_intRow);
        const QTreeWidgetItem* m_Expected = m_lvwEveryRow.topLevelItem(m_intRow);
        EXPECT_EQ(m_Item->text(1), QString::number(m_intRow + 1));
        for (int m_intColumn = 0; m_intColumn < g_lvwList.columnCount(); ++m_intColumn) {
            EXPECT_EQ(m_Item->text(m_intColumn), m_Expected->text(m_intColumn));
            EXPECT_EQ(m_Item->data(m_intColumn, Qt::TextAlignmentRole),
                      m_Expected->data(m_intColumn, Qt::TextAlignmentRole));
        }
        EXPECT_EQ(m_Item->icon(0).cacheKey(), g_arrImages.at((m_intRow + 1) % 2).cacheKey())
            << m_intRow;
    }
}

TEST_F(QtListViewTest, RowsBelowAFullViewAreLaidOutAndUpdatesResume) {
    g_lvwList.resize(400, 120);
    g_lvwList.show();
    TQtListView m_Adapter(&g_lvwList, g_arrImages);
    m_Adapter.SetCoalescing(true);
    const auto AddRows = [&](int p_intCount) {
        for (int m_intRow = 0; m_intRow < p_intCount; ++m_intRow) {
            m_Adapter.AddRow(u"", 0,
                             {ToU16String(QString::number(m_Adapter.RowCount() + 1)), u"成功",
                              u"ANSI", u"/f.txt", u""});
        }
    };
    AddRows(30);
    m_Adapter.ApplyPending();
    // The view lays out an ordinary insertion from its event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return g_lvwList.verticalScrollBar()->maximum() > 0; }))
        << "the first rows must overflow the view";
    const int m_intFirstMaximum = g_lvwList.verticalScrollBar()->maximum();

    AddRows(30);
    m_Adapter.ApplyPending();
    EXPECT_TRUE(g_lvwList.viewport()->updatesEnabled());
    EXPECT_GT(g_lvwList.verticalScrollBar()->maximum(), m_intFirstMaximum);
    g_lvwList.scrollToItem(g_lvwList.topLevelItem(59));
    const QRect m_LastRow = g_lvwList.visualItemRect(g_lvwList.topLevelItem(59));
    EXPECT_TRUE(g_lvwList.viewport()->rect().contains(m_LastRow.center()));

    // A list whose updates are suspended stays suspended.
    AddRows(5);
    {
        const TUpdatesSuspender m_Suspender(&g_lvwList);
        m_Adapter.ApplyPending();
        EXPECT_FALSE(g_lvwList.viewport()->updatesEnabled());
    }
    EXPECT_TRUE(g_lvwList.viewport()->updatesEnabled());
    EXPECT_EQ(g_lvwList.topLevelItemCount(), 65);
}

TEST_F(QtListViewTest, DetachDropsWaitingRows) {
    TQtListView m_Adapter(&g_lvwList, g_arrImages);
    m_Adapter.SetCoalescing(true);
    m_Adapter.AddRow(u"", 0, {u"1", u"成功", u"ANSI", u"/x", u""});
    m_Adapter.Detach();
    EXPECT_EQ(m_Adapter.RowCount(), 0);
    m_Adapter.ApplyPending();
    EXPECT_EQ(g_lvwList.topLevelItemCount(), 0);
}

TEST(QtListView, WaitingRowsOutliveTheirList) {
    auto m_lvwList = std::make_unique<QTreeWidget>();
    m_lvwList->setColumnCount(5);
    TQtListView m_Adapter(m_lvwList.get(), BuildStatusImageList());
    m_Adapter.SetCoalescing(true);
    m_Adapter.AddRow(u"", 0, {u"1", u"成功", u"ANSI", u"/x"});
    m_lvwList.reset();
    EXPECT_EQ(m_Adapter.RowCount(), 0);
    m_Adapter.ApplyPending();
    m_Adapter.AddRow(u"", 0, {u"2", u"成功", u"ANSI", u"/y"});
    EXPECT_EQ(m_Adapter.RowCount(), 0);
}

TEST(UpdatesSuspender, SuspendsAndAlwaysResumes) {
    QTreeWidget m_lvwList;
    {
        const TUpdatesSuspender m_Suspender(&m_lvwList);
        EXPECT_FALSE(m_lvwList.updatesEnabled());
    }
    EXPECT_TRUE(m_lvwList.updatesEnabled());

    EXPECT_THROW(
        {
            const TUpdatesSuspender m_Suspender(&m_lvwList);
            throw std::runtime_error("malformed");
        },
        std::runtime_error);
    EXPECT_TRUE(m_lvwList.updatesEnabled());
}

} // namespace
} // namespace morvane
