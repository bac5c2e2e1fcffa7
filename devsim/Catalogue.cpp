#include "devsim/Catalogue.h"

namespace kelvan::devsim {

std::uint32_t commandMaskOf(std::initializer_list<int> codes) {
    std::uint32_t mask = 0;
    for (const int code : codes) {
        mask |= std::uint32_t{1} << code;
    }
    return mask;
}

const Catalogue& standardCatalogue() {
    static const Catalogue catalogue{
        .title = "Программатор КВ-1 (имитатор)",
        .aboutLines = {"Имитатор программатора КВ-1 для испытаний",
                       "Версия прошивки 1.0, учебные микросхемы",
                       "Три микросхемы: Кристалл-А1, Кристалл-Б8, Кристалл-М64"},
        .chips = {
            {
                .name = "Кристалл-А1",
                .programMemorySize = 1024,
                .eepromSize = 0,
                .ramSize = 64,
                .signature = {0x5A, 0x01, 0x0A},
                .calibration = {0x7C},
                .fuseBits = {{"Внутренний генератор", true}, {"Сторожевой таймер", false}},
                .lockBits = {{"Запрет чтения", false}},
                .commandMask = commandMaskOf({0, 3, 4, 5, 6, 7, 9, 10, 11, 20}),
            },
            {
                .name = "Кристалл-Б8",
                .programMemorySize = 8 * 1024,
                .eepromSize = 512,
                .ramSize = 512,
                .signature = {0x5A, 0x08, 0x1B},
                .calibration = {0x81, 0x7E},
                .fuseBits = {{"Внутренний генератор", true},
                             {"Делитель частоты на 8", true},
                             {"Сторожевой таймер", false},
                             {"Быстрый запуск", false}},
                .lockBits = {{"Запрет чтения", false}, {"Запрет записи", false}},
                .commandMask = commandMaskOf({0, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15}),
            },
            {
                .name = "Кристалл-М64",
                .programMemorySize = 64 * 1024,
                .eepromSize = 2048,
                .ramSize = 4096,
                .signature = {0x5A, 0x40, 0x2C},
                .calibration = {0x9D, 0xA2, 0xA6, 0xAB},
                .fuseBits = {{"Внутренний генератор", false},
                             {"Делитель частоты на 8", false},
                             {"Сторожевой таймер", true},
                             {"Быстрый запуск", true},
                             {"Сброс при падении питания", false},
                             {"Отладочный порт", false}},
                .lockBits = {{"Запрет чтения", false},
                             {"Запрет записи", false},
                             {"Защита загрузчика", false}},
                .commandMask =
                    commandMaskOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 20}),
            },
        }};
    return catalogue;
}

}  // namespace kelvan::devsim
