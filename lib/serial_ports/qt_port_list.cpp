#include "serial_ports/qt_port_list.h"

#include <QSerialPortInfo>

namespace serial_ports {

namespace {

void FillFromQt(std::vector<PortRow>& rows, const QList<QSerialPortInfo>& infos) {
    for (PortRow& row : rows) {
        for (const QSerialPortInfo& info : infos) {
            if (info.systemLocation() != row.device) {
                continue;
            }
            PortFacts& facts = row.facts;
            facts.description =
                facts.description.isEmpty() ? info.description() : facts.description;
            facts.manufacturer =
                facts.manufacturer.isEmpty() ? info.manufacturer() : facts.manufacturer;
            facts.serialNumber =
                facts.serialNumber.isEmpty() ? info.serialNumber() : facts.serialNumber;
            if (!facts.vendorId && info.hasVendorIdentifier()) {
                facts.vendorId = info.vendorIdentifier();
            }
            if (!facts.productId && info.hasProductIdentifier()) {
                facts.productId = info.productIdentifier();
            }
        }
    }
}

} // namespace

std::vector<PortRow> ListPortsWithQt(const SystemView& view, const QString& settingsFolder) {
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    QStringList qtDevices;
    for (const QSerialPortInfo& info : infos) {
        qtDevices << info.systemLocation();
    }
    std::vector<PortRow> rows = ListPorts(view, settingsFolder, qtDevices);
    FillFromQt(rows, infos);
    return rows;
}

} // namespace serial_ports
