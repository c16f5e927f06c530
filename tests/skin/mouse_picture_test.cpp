// The generated mouse pictures of the shipped models: the plain picture is the bare mouse (no
// key zone shows where nothing is pressed), the lit picture lights each key's own area.
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "config/device_model.h"
#include "config/program_config.h"
#include "support/support.h"

namespace {

struct ModelPictures {
    const DeviceModel* model;
    QImage plain, lit;
};

std::vector<ModelPictures> ShippedModelPictures() {
    LoadConfig(testing_support::BinDir());
    std::vector<ModelPictures> out;
    for (const DeviceModel& m : g_DeviceModels) {
        if (m.Sensor == 0) continue;
        const QString folder =
            QString::fromStdString(testing_support::BinDir()) +
            QString("skins/%1%2/").arg(m.CID, 2, 10, QChar('0')).arg(m.MID, 2, 10, QChar('0'));
        out.push_back({&m, QImage(folder + "mouse_nr.png").convertToFormat(QImage::Format_ARGB32),
                       QImage(folder + "mouse_dn.png").convertToFormat(QImage::Format_ARGB32)});
    }
    return out;
}

QRect MarkRect(const CfgRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

bool Shown(const DeviceModel& m, int i) {
    return i < m.KeyCount && m.Mark[i].Width() > 0 && m.Mark[i].Height() > 0;
}

int ChannelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

bool Opaque(const QImage& image, QPoint p) {
    return image.rect().contains(p) && qAlpha(image.pixel(p)) == 255;
}

TEST(MousePicture, PlainPictureShowsNoEdgeAlongAnyKeyMark) {
    const auto models = ShippedModelPictures();
    ASSERT_FALSE(models.empty());
    for (const ModelPictures& pics : models) {
        ASSERT_FALSE(pics.plain.isNull());
        const DeviceModel& m = *pics.model;
        for (int i = 0; i < kKeysPerSet; ++i) {
            if (!Shown(m, i)) continue;
            const QRect r = MarkRect(m.Mark[i]);
            // Each border pixel of the mark against the pixel three further out; both well
            // inside the body. A zone box is an edge all along its border; the mouse's own
            // seams and wheel cross a mark's border or follow one of its sides at most.
            int compared = 0, edges = 0;
            auto compare = [&](QPoint in, QPoint step) {
                const QPoint out = in + 3 * step;
                if (!Opaque(pics.plain, in) || !Opaque(pics.plain, out + 3 * step)) return;
                ++compared;
                if (ChannelDistance(pics.plain.pixel(in), pics.plain.pixel(out)) > 4) ++edges;
            };
            for (int x = r.left(); x <= r.right(); ++x) {
                compare(QPoint(x, r.top()), QPoint(0, -1));
                compare(QPoint(x, r.bottom()), QPoint(0, 1));
            }
            for (int y = r.top(); y <= r.bottom(); ++y) {
                compare(QPoint(r.left(), y), QPoint(-1, 0));
                compare(QPoint(r.right(), y), QPoint(1, 0));
            }
            ASSERT_GT(compared, 20) << "model " << m.MID << " mark " << i + 1;
            EXPECT_LE(edges * 2, compared)
                << "model " << m.MID << " mark " << i + 1 << ": " << edges << " of " << compared
                << " border pixels differ from the body beside them";
        }
    }
}

TEST(MousePicture, LitPictureLightsTheVisiblePartOfEveryKey) {
    for (const ModelPictures& pics : ShippedModelPictures()) {
        const DeviceModel& m = *pics.model;
        ASSERT_EQ(pics.plain.size(), pics.lit.size());
        for (int i = 0; i < kKeysPerSet; ++i) {
            if (!Shown(m, i)) continue;
            // The part of the key's button not covered by the buttons after it (they lie above).
            QRegion own(MarkRect(m.Mark[i]).adjusted(4, 4, -4, -4));
            for (int j = i + 1; j < kKeysPerSet; ++j)
                if (Shown(m, j)) own -= MarkRect(m.Mark[j]).adjusted(-4, -4, 4, 4);
            int inside = 0, lit = 0;
            for (const QRect& part : own) {
                for (int y = part.top(); y <= part.bottom(); ++y) {
                    for (int x = part.left(); x <= part.right(); ++x) {
                        if (!Opaque(pics.plain, QPoint(x, y))) continue;
                        ++inside;
                        if (qBlue(pics.lit.pixel(x, y)) - qBlue(pics.plain.pixel(x, y)) > 60) ++lit;
                    }
                }
            }
            ASSERT_GT(inside, 0) << "model " << m.MID << " mark " << i + 1;
            EXPECT_GE(lit * 10, inside * 9) << "model " << m.MID << " mark " << i + 1;
        }
    }
}

}  // namespace
