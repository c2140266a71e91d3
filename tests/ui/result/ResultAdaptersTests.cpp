// The pieces between the engine and the widgets: the status images, the progress bar and list
// adapters, and the suspension of list updates.

#include "u_QtListView.h"
#include "u_QtProgressBar.h"
#include "u_ResultColumns.h"
#include "u_StatusImages.h"
#include "u_Types.h"
#include "u_UpdatesSuspender.h"

#include <QProgressBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <stdexcept>

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

TEST(QtProgressBar, DetachedAdapterLeavesTheBarAlone) {
    QProgressBar m_pgrBar;
    m_pgrBar.setRange(0, 100);
    m_pgrBar.setValue(50);
    TQtProgressBar m_Adapter(&m_pgrBar);
    m_Adapter.Detach();
    m_Adapter.SetMax(7);
    m_Adapter.SetPosition(2);
    m_Adapter.Fill();
    EXPECT_EQ(m_pgrBar.maximum(), 100);
    EXPECT_EQ(m_pgrBar.value(), 50);
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
