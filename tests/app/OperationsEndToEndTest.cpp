// The command list's operations through the real windows, link and serial component against the
// simulated programmer on a pseudo-terminal: reads into the buffer and the grid, writes from a
// file picked in the browser with every option, the checks that stop a write, the bit dialogs,
// the size warning, and a line that corrupts bytes or doubles its readies.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

#include "SimulatedProgrammer.h"
#include "TestImages.h"
#include "bufferview/HexGrid.h"
#include "dialogs/TForm4.h"
#include "dialogs/TForm6.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;
using link::Bytes;
using testing::Frames;

const QString AllCorrect = QStringLiteral("Все верно.");
const QColor ErrorColour(255, 128, 128);
constexpr std::size_t Small = 0, Medium = 1, Large = 2;  // the simulator's three chips

QByteArray raw(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray intelHex(const Bytes& image) {
    return QByteArray::fromStdString(test::intelHex(image));
}

// The chunk commands of code over extent bytes of image as the wire carries them: code, address
// (little-endian), count and the bytes.
Frames chunks(std::uint8_t code, const Bytes& image, std::size_t extent) {
    Frames frames;
    for (std::size_t address = 0; address < extent; address += 224) {
        const std::size_t count = std::min<std::size_t>(224, extent - address);
        Bytes frame{
            code, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8), 0,
            0,    static_cast<std::uint8_t>(count)};
        frame.insert(frame.end(), image.begin() + static_cast<std::ptrdiff_t>(address),
                     image.begin() + static_cast<std::ptrdiff_t>(address + count));
        frames.push_back(frame);
    }
    return frames;
}

Frames concat(std::initializer_list<Frames> parts) {
    Frames all;
    for (const Frames& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class OperationsEndToEndTest : public testing::SimulatedProgrammer {
  protected:
    // Starts the programmer and the program, waits for the chip list and chooses chip.
    void start(std::size_t chip, devsim::SimulatorOptions options = {}) {
        ASSERT_TRUE(folder_.isValid());
        stopProgram();
        startProgram(std::move(options));
        form().resize(1000, 700);
        form().setCurrentFolder(folder_.path());
        ASSERT_TRUE(testing::waitFor([&] { return connected(); }, 30s));
        chip_ = chip;
        chooseChip(chip);
        ASSERT_EQ(form().link().programMemorySize(), catalogue_.chips[chip].programMemorySize);
    }

    template <typename Function>
    decltype(auto) onDevice(Function&& function) {
        return simulator_->withDevice(
            [&](devsim::DeviceModel& device) { return function(device.chip(chip_)); });
    }

    // Writes name into the working folder and picks it up in the browser.
    void pickUp(const QString& name, const QByteArray& contents) {
        QFile file(folder_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(contents), contents.size());
        file.close();
        ASSERT_TRUE(testing::clickFile(form(), folder_.filePath(name)));
    }

    Bytes bufferBytes() {
        const auto bytes = form().buffer().bytes();
        return {bytes.begin(), bytes.end()};
    }

    QTemporaryDir folder_;
    std::size_t chip_ = 0;
};

TEST_F(OperationsEndToEndTest, ReadsFillTheBufferAndTheGrid) {
    ASSERT_NO_FATAL_FAILURE(start(Large));
    onDevice([](devsim::Chip& chip) {
        chip.programMemory[0xFFFE] = 0x0A;
        chip.programMemory[0xFFFF] = 0xC3;
    });
    run(9);
    EXPECT_EQ(bufferBytes(), onDevice([](devsim::Chip& chip) { return chip.programMemory; }));
    // The grid's row for 0xFFF0..0xFFFF shows the last bytes.
    const QAbstractItemModel* grid = form().StringGrid1->model();
    EXPECT_EQ(grid->rowCount(), 0x10000 / 16);
    EXPECT_EQ(grid->index(0xFFF, 14).data().toString(), QStringLiteral("0A"));
    EXPECT_EQ(grid->index(0xFFF, 15).data().toString(), QStringLiteral("C3"));
    EXPECT_EQ(grid->headerData(0xFFF, Qt::Vertical).toString(), QStringLiteral("FFF"));

    run(13);
    EXPECT_EQ(bufferBytes(), onDevice([](devsim::Chip& chip) { return chip.eeprom; }));
    EXPECT_EQ(grid->rowCount(), 2048 / 16);
    EXPECT_FALSE(form().buffer().modified());
}

TEST_F(OperationsEndToEndTest, ProgramWriteFromAHexFilePutsExactlyItsImageIntoTheChip) {
    ASSERT_NO_FATAL_FAILURE(start(Large));
    // 3000 bytes with a gap of FF in the middle, which the HEX file leaves out.
    Bytes image = test::randomBytes(3000, 7);
    std::fill(image.begin() + 1024, image.begin() + 1600, 0xFF);
    ASSERT_NO_FATAL_FAILURE(pickUp(QStringLiteral("firmware.hex"), intelHex(image)));
    ASSERT_EQ(bufferBytes(), image);

    const Frames wire = run(10);
    EXPECT_EQ(form().statusText(), AllCorrect);
    EXPECT_EQ(wire, concat({{{249, 2}, {0}, {7}, {0}},
                            chunks(10, image, image.size()),
                            {{255}},
                            chunks(11, image, image.size()),
                            {{255}, {6, 0}, {6, 1}, {6, 2}, {255}}}));
    onDevice([&](devsim::Chip& chip) {
        Bytes expected(chip.programMemory.size(), 0xFF);  // erased, then written
        std::copy(image.begin(), image.end(), expected.begin());
        EXPECT_TRUE(chip.programMemory == expected);
        EXPECT_EQ(chip.lockBits, (std::vector<bool>{true, true, true}));
    });
    EXPECT_TRUE(prompter_.warnings.isEmpty());
    EXPECT_TRUE(errorBoxes_.shown.isEmpty());
}

TEST_F(OperationsEndToEndTest, FailedChecksStopWhatComesAfterThem) {
    ASSERT_NO_FATAL_FAILURE(start(Large));
    const Bytes before = onDevice([](devsim::Chip& chip) { return chip.programMemory; });

    // No working file picked yet: the reload finds nothing, so nothing is erased or written.
    EXPECT_EQ(run(10), (Frames{{249, 2}}));
    EXPECT_EQ(form().statusText(),
              QStringLiteral("Ничего не записано: рабочий файл не выбран или не найден."));
    EXPECT_EQ(form().statusColour(), ErrorColour);

    const Bytes image = test::randomBytes(1000, 3);
    ASSERT_NO_FATAL_FAILURE(pickUp(QStringLiteral("image.bin"), raw(image)));

    // A wrong signature: the erase and the writes behind the check never go out.
    simulator_->withDevice([](devsim::DeviceModel& device) { device.setWrongSignature(true); });
    EXPECT_EQ(run(10), (Frames{{249, 2}, {0}}));
    EXPECT_EQ(form().statusText(), QStringLiteral("Сигнатура: 5A 40 2C не верна!"));
    EXPECT_EQ(form().statusColour(), ErrorColour);
    EXPECT_EQ(onDevice([](devsim::Chip& chip) { return chip.programMemory; }), before);

    // A cell that does not take its byte: the verify fails at its chunk and nothing follows.
    simulator_->withDevice([](devsim::DeviceModel& device) {
        device.setWrongSignature(false);
        device.setBadProgramCells({448});
    });
    const Frames verifies = chunks(11, image, image.size());
    EXPECT_EQ(run(10), concat({{{249, 2}, {0}, {7}, {0}},
                               chunks(10, image, image.size()),
                               {{255}},
                               Frames(verifies.begin(), verifies.begin() + 3)}));
    EXPECT_EQ(form().statusText(),
              QStringLiteral("Ошибка по адресу 1C0. Попробуйте программировать снова!"));
    EXPECT_EQ(form().statusColour(), ErrorColour);
    onDevice([](devsim::Chip& chip) {
        EXPECT_EQ(chip.lockBits, (std::vector<bool>{false, false, false}));
    });
}

TEST_F(OperationsEndToEndTest, EepromWriteAndVerify) {
    ASSERT_NO_FATAL_FAILURE(start(Large));
    const Bytes image = test::randomBytes(700, 11);
    ASSERT_NO_FATAL_FAILURE(pickUp(QStringLiteral("data.EEP"), intelHex(image)));
    const Frames wire = run(14);
    EXPECT_EQ(form().statusText(), AllCorrect);
    EXPECT_EQ(wire, concat({{{249, 2}, {0}, {12}},
                            chunks(14, image, image.size()),
                            {{255}},
                            chunks(15, image, image.size()),
                            {{255}}}));
    onDevice([&](devsim::Chip& chip) {
        EXPECT_TRUE(std::equal(image.begin(), image.end(), chip.eeprom.begin()));
        EXPECT_TRUE(std::all_of(chip.eeprom.begin() + 700, chip.eeprom.end(),
                                [](std::uint8_t byte) { return byte == 0xFF; }));
    });

    // Verifying on its own finds the same bytes; one changed in the buffer is reported.
    run(15);
    EXPECT_EQ(form().statusText(), AllCorrect);
    form().buffer().set(300, static_cast<std::uint8_t>(image[300] ^ 0x40));
    run(15);
    EXPECT_EQ(form().statusText(),
              QStringLiteral("Ошибка по адресу 12C. Попробуйте программировать снова!"));
}

TEST_F(OperationsEndToEndTest, BitDialogsShowTheChipsBitsAndWriteThem) {
    ASSERT_NO_FATAL_FAILURE(start(Large));
    dialogs::TForm6& fuses = *windows_->form6();
    dialogs::TForm4& locks = *windows_->form4();
    const auto states = [](const dialogs::BitDialog& dialog) {
        std::vector<bool> checked;
        for (int index = 0; index < dialog.bitCount(); ++index) {
            checked.push_back(dialog.bitBox(index)->isChecked());
        }
        return checked;
    };

    // Reading shows the states in a dialog that cannot write.
    EXPECT_EQ(run(3), (Frames{{249, 2}, {3}}));
    EXPECT_TRUE(fuses.isVisible());
    EXPECT_FALSE(fuses.Button1->isEnabled());
    EXPECT_EQ(states(fuses), onDevice([](devsim::Chip& chip) { return chip.fuseBits; }));
    EXPECT_EQ(fuses.bitBox(4)->text(), QStringLiteral("Сброс при падении питания"));

    // Writing sends every fuse bit with the state of its box.
    EXPECT_EQ(run(4), (Frames{{249, 2}}));
    ASSERT_TRUE(fuses.Button1->isEnabled());
    const std::vector<bool> wanted{true, false, true, false, true, false};
    for (int index = 0; index < 6; ++index) {
        fuses.bitBox(index)->setChecked(wanted[static_cast<std::size_t>(index)]);
    }
    EXPECT_EQ(wireOf([&] { QTest::mouseClick(fuses.Button1, Qt::LeftButton); }),
              (Frames{{4, 0, 1}, {4, 1, 0}, {4, 2, 1}, {4, 3, 0}, {4, 4, 1}, {4, 5, 0}}));
    EXPECT_FALSE(fuses.isVisible());
    EXPECT_EQ(onDevice([](devsim::Chip& chip) { return chip.fuseBits; }), wanted);

    // Lock bits: only the ticked ones are set; reading them back shows them.
    run(6);
    ASSERT_TRUE(locks.isVisible() && locks.Button1->isEnabled());
    locks.bitBox(0)->setChecked(true);
    locks.bitBox(2)->setChecked(true);
    EXPECT_EQ(wireOf([&] { QTest::mouseClick(locks.Button1, Qt::RightButton); }),
              (Frames{{6, 0}, {6, 2}}));
    EXPECT_EQ(onDevice([](devsim::Chip& chip) { return chip.lockBits; }),
              (std::vector<bool>{true, false, true}));
    locks.bitBox(2)->setChecked(false);
    run(5);
    EXPECT_FALSE(locks.Button1->isEnabled());
    EXPECT_EQ(states(locks), (std::vector<bool>{true, false, true}));
}

TEST_F(OperationsEndToEndTest, ABufferLongerThanTheMemoryIsWrittenAsFarAsItFits) {
    ASSERT_NO_FATAL_FAILURE(start(Small));
    const Bytes image = test::randomBytes(1500, 5);
    ASSERT_NO_FATAL_FAILURE(pickUp(QStringLiteral("long.bin"), raw(image)));
    // The programmer goes on answering while the warning is open: the commands queued before
    // it (the chip select, the signature checks and the erase) all run meanwhile.
    prompter_.whileWarningOpen = [this] {
        simulator_->offerReadyNow();
        EXPECT_TRUE(testing::waitFor([this] { return idle(); }));
    };
    const Frames wire = run(10);
    EXPECT_EQ(prompter_.warnings,
              QStringList{QStringLiteral("Запишу только то, что войдет в микросхему!")});
    EXPECT_EQ(form().statusText(), AllCorrect);
    EXPECT_EQ(wire, concat({{{249, 0}, {0}, {7}, {0}},
                            chunks(10, image, 1024),
                            {{255}},
                            chunks(11, image, 1024),
                            {{255}, {6, 0}, {255}}}));
    EXPECT_EQ(onDevice([](devsim::Chip& chip) { return chip.programMemory; }),
              Bytes(image.begin(), image.begin() + 1024));
}

// Many runs on a line that damages a share of the programmer's bytes: each write either ends in
// "Все верно." with the image in the chip or fails where the user sees it (the retry warning,
// an error in the status bar). The start-up conversation runs on a clean line.
TEST_F(OperationsEndToEndTest, ACorruptingLineNeverEndsInAllCorrectOverWrongData) {
    int completed = 0;
    int failedVisibly = 0;
    int wrongButAllCorrect = 0;
    int givenUp = 0;
    for (std::uint32_t seed = 1; seed <= 2; ++seed) {
        SCOPED_TRACE(seed);
        ASSERT_NO_FATAL_FAILURE(start(Medium, {.seed = seed, .readyInterval = 20ms}));
        simulator_->setCorruptFraction(0.05);
        for (unsigned attempt = 0; attempt < 5; ++attempt) {
            const Bytes image = test::randomBytes(2048, seed * 100 + attempt);
            onDevice([](devsim::Chip& chip) {
                std::fill(chip.programMemory.begin(), chip.programMemory.end(), 0x00);
            });
            ASSERT_NO_FATAL_FAILURE(pickUp(QStringLiteral("run%1.bin").arg(attempt), raw(image)));
            prompter_.warnings.clear();
            run(10, 60s);
            const bool inChip = onDevice([&](devsim::Chip& chip) {
                return std::equal(image.begin(), image.end(), chip.programMemory.begin());
            });
            if (form().statusText() == AllCorrect) {
                ++(inChip ? completed : wrongButAllCorrect);
                continue;
            }
            ++failedVisibly;
            givenUp += prompter_.warnings.size();
            EXPECT_TRUE(!prompter_.warnings.isEmpty() || form().statusColour() == ErrorColour)
                << "a write that did not complete said nothing: "
                << form().statusText().toStdString();
        }
    }
    std::printf(
        "corrupting line (5 %% of bytes), 10 writes of 2 KiB: %d completed, %d failed "
        "visibly (%d by the retry limit), %d \"Все верно.\" over wrong data\n",
        completed, failedVisibly, givenUp, wrongButAllCorrect);
    EXPECT_EQ(wrongButAllCorrect, 0);
    EXPECT_GT(completed, 0);
}

// Each ready comes twice, so every command goes out twice and is answered twice: the second
// answer of a chunk must not be taken for the next chunk's. At 460800 bit/s a chunk and a short
// answer cross the line in 5.3 ms, so even with the 5 ms margin the second ready, 20 ms after
// the first, comes too late to count as crossing the chunk and has it sent again.
TEST_F(OperationsEndToEndTest, DuplicateReadiesDuringA64KiBWriteAndVerify) {
    lineBitRate_ = 460800;
    ASSERT_NO_FATAL_FAILURE(start(Large, {.duplicateReady = true}));
    const Bytes image = test::randomBytes(64 * 1024, 13);
    ASSERT_NO_FATAL_FAILURE(pickUp(QStringLiteral("full.bin"), raw(image)));
    const Frames wire = run(10, 120s);
    EXPECT_EQ(form().statusText(), AllCorrect);
    EXPECT_EQ(onDevice([](devsim::Chip& chip) { return chip.programMemory; }), image);
    EXPECT_EQ(wire, concat({{{249, 2}, {0}, {7}, {0}},
                            chunks(10, image, image.size()),
                            {{255}},
                            chunks(11, image, image.size()),
                            {{255}, {6, 0}, {6, 1}, {6, 2}, {255}}}));
}

}  // namespace
}  // namespace kelvan::app
