// The floor of the start-up and memory figures: a window of the tool's size,
// 649x435, with one label showing the tool's own Chinese texts in the tool's
// fonts (the default font, the light 18-point unit labels, the 36-point value
// font and the 8-point monospace of the address line), so that finding,
// loading and rasterising the CJK font in each of them is paid here too, as
// it is by any window that shows these texts. Tooltips are not shown at
// start-up, so their texts are not here.
//
//   bench_floor_window [--mark-paint]   write "painted" after the first frame and quit

#include <optional>

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "bench_util.h"
#include "first_paint.h"

int main(int argc, char** argv) {
    const bool mark = FlagOption(argc, argv, "--mark-paint");
    QApplication application(argc, argv);
    QWidget window;
    window.resize(649, 435);
    window.setWindowTitle(QStringLiteral("HT5530KVarnik湿度传感器工具软件"));
    QLabel label(&window);
    label.setGeometry(0, 0, 649, 435);
    label.setTextFormat(Qt::RichText);
    label.setWordWrap(true);
    label.setText(QStringLiteral(
        "串口设置 串口号 波特率 保存设置 MODBUS设置 设备地址 功 能 码 超始地址 数据长度 观察窗 "
        "二次开发命令观察窗口 发送命令: 运行状态指示 数据查询操作 定时时长(ms) 单次 循环 停止 "
        "水份校准参数 湿度校正值 设置 值范围为：-500-500 即调整范围：-5度到+5度 "
        "值范围为：-1000-1000 即调整范围：-10%RH到+10%RH 显示修正值 湿度误差校正值 "
        "设备ID修改操作(子功能号0x0B ) 读地址 将地址 改为 执行 地址值范围为：1-35 "
        "技术支持：Varnik传感器 "
        "<span style=\"font-family:'Perpetua Titling MT'; font-size:18pt; font-weight:300\">"
        "湿度值 % ℃</span> "
        "<span style=\"font-family:'宋体'; font-size:36pt\">0</span> "
        "<span style=\"font-family:Monospace; font-size:8pt\">将地址 改为</span>"));
    std::optional<FirstPaintMarker> marker;
    if (mark) {
        marker.emplace(window, true);
    }
    window.show();
    return QApplication::exec();
}
