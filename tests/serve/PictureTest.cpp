// The pictures the editor sends and keeps: PNG bytes made in memory (read back with OpenImageIO), the undo
// history and the coalescing of drags.
#include "host/PngBytes.h"
#include "host/serve/DragCoalescer.h"
#include "host/serve/EditorHistory.h"
#include "host/serve/JsonReply.h"
#include "tests/serve/ServeFixture.h"

namespace kvtest {
namespace {

TEST(PngBytes, APanelIsRgbUnlessSomePixelIsTranslucent) {
    // Two rows of three BGRA pixels, four bytes of row padding.
    std::vector<std::uint8_t> bgra = {1, 2, 3, 255, 10, 20, 30, 255, 100, 150, 200, 255, 0, 0, 0, 0,
                                      0, 0, 0, 255, 255, 255, 255, 255, 7, 8, 9, 255, 0, 0, 0, 0};
    Picture picture = decodePng(kvhost::base64(kvhost::pngFromBgra(bgra.data(), 3, 2, 16)));
    ASSERT_EQ(picture.channels, 3);
    EXPECT_EQ(picture.samples, (std::vector<std::uint8_t>{3, 2, 1, 30, 20, 10, 200, 150, 100, 0, 0, 0, 255, 255,
                                                          255, 9, 8, 7}));
    bgra[7] = 128;
    picture = decodePng(kvhost::base64(kvhost::pngFromBgra(bgra.data(), 3, 2, 16)));
    ASSERT_EQ(picture.channels, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(picture.samples.begin(), picture.samples.begin() + 8),
              (std::vector<std::uint8_t>{3, 2, 1, 255, 30, 20, 10, 128}));
}

TEST(PngBytes, ImagesOfEveryDepthComeOutAsEightBitRgba) {
    kvhost::HostImage eight(2, 1, 8);
    kvhost::HostImage sixteen(2, 1, 16);
    kvhost::HostImage floats(2, 1, 32);
    const double values[2][4] = {{255, 0, 128, 255}, {64, 255, 1, 2}}; // alpha, red, green, blue at 8 bits
    for (int x = 0; x < 2; ++x) {
        for (int c = 0; c < 4; ++c) {
            eight.setChannel(x, 0, c, values[x][c]);
        }
    }
    sixteen.setChannel(0, 0, 0, 32768);
    sixteen.setChannel(0, 0, 1, 16384); // 127.5 at 8 bits: up
    sixteen.setChannel(1, 0, 2, 32767);
    floats.setChannel(0, 0, 0, 1.0);
    floats.setChannel(0, 0, 1, 2.0); // beyond white: clamped
    floats.setChannel(0, 0, 2, -0.5);
    floats.setChannel(0, 0, 3, 0.5);
    EXPECT_EQ(decodePng(kvhost::base64(kvhost::pngFromImage(eight))).samples,
              (std::vector<std::uint8_t>{0, 128, 255, 255, 255, 1, 2, 64}));
    EXPECT_EQ(decodePng(kvhost::base64(kvhost::pngFromImage(sixteen))).samples,
              (std::vector<std::uint8_t>{128, 0, 0, 255, 0, 255, 0, 0}));
    EXPECT_EQ(decodePng(kvhost::base64(kvhost::pngFromImage(floats))).samples,
              (std::vector<std::uint8_t>{255, 0, 128, 255, 0, 0, 0, 0}));
}

TEST(Base64, EncodesEveryTailLength) {
    EXPECT_EQ(kvhost::base64(""), "");
    EXPECT_EQ(kvhost::base64("f"), "Zg==");
    EXPECT_EQ(kvhost::base64("fo"), "Zm8=");
    EXPECT_EQ(kvhost::base64("foo"), "Zm9v");
    EXPECT_EQ(kvhost::base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(kvhost::base64(std::string("\xff\x00\xfe", 3)), "/wD+");
}

kvhost::EditorSnapshot snapshotOf(int value, std::uint8_t selection = 0) {
    kvhost::EditorSnapshot snapshot;
    snapshot.project = json{{"value", value}};
    snapshot.sequence = {selection};
    return snapshot;
}

TEST(EditorHistory, ChangesAreStepsAndOnlyChanges) {
    kvhost::EditorHistory history(4);
    history.reset(snapshotOf(0));
    EXPECT_FALSE(history.record(snapshotOf(0, 7))); // the selection alone: no step, but kept
    EXPECT_EQ(history.current().sequence, std::vector<std::uint8_t>{7});
    EXPECT_TRUE(history.record(snapshotOf(1)));
    EXPECT_TRUE(history.record(snapshotOf(2)));
    EXPECT_EQ(history.undoCount(), 2u);
    EXPECT_EQ(history.undo()->project.at("value"), 1);
    EXPECT_EQ(history.undo()->project.at("value"), 0);
    EXPECT_EQ(history.undo(), nullptr);
    EXPECT_EQ(history.current().sequence, std::vector<std::uint8_t>{7});
    EXPECT_EQ(history.redo()->project.at("value"), 1);
    EXPECT_EQ(history.redoCount(), 1u);
    EXPECT_TRUE(history.record(snapshotOf(5))); // a change after undo drops what redo would reach
    EXPECT_EQ(history.redoCount(), 0u);
    EXPECT_EQ(history.redo(), nullptr);

    kvhost::EditorSnapshot layered = snapshotOf(5);
    layered.layers[11] = "base.png";
    EXPECT_TRUE(history.record(layered)); // another layer is a change too
    EXPECT_TRUE(history.record(snapshotOf(6)));
    EXPECT_EQ(history.undoCount(), 3u); // four states kept, the oldest dropped
    while (history.undo()) {
    }
    EXPECT_EQ(history.current().project.at("value"), 1);
}

TEST(DragCoalescer, OnlyTheLatestDragWaits) {
    kvhost::DragCoalescer drags;
    EXPECT_FALSE(drags.take());
    kvhost::PanelEvent drag;
    drag.kind = kvhost::PanelEvent::Kind::Drag;
    for (int x : {1, 2, 3}) {
        drag.x = x;
        drags.offer(drag);
    }
    const std::optional<kvhost::PanelEvent> taken = drags.take();
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->x, 3);
    EXPECT_FALSE(drags.take());
    EXPECT_EQ(drags.offered(), 3u);
    EXPECT_EQ(drags.coalesced(), 2u);
}

} // namespace
} // namespace kvtest
