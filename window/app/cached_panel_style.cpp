#include "app/cached_panel_style.h"

#include <QLineEdit>
#include <QPainter>
#include <QStyleFactory>

#include "app/backdrop.h"

void CachedPanelStyle::Install(QLineEdit& box) {
    if (box.parentWidget() == nullptr) {
        return; // nothing under it to take a picture of
    }
    QStyle* base = QStyleFactory::create(box.style()->name());
    if (base == nullptr) {
        return; // a style without a factory: the box paints as before
    }
    box.setStyle(new CachedPanelStyle(base, box));
    box.setAttribute(Qt::WA_OpaquePaintEvent);
}

CachedPanelStyle::CachedPanelStyle(QStyle* base, QLineEdit& box) : QProxyStyle(base), m_box(box) {
    setParent(&box);
}

CachedPanelStyle::Source CachedPanelStyle::SourceOf(const QStyleOptionFrame& option,
                                                    const QWidget& box) {
    Source source;
    source.rect = option.rect;
    source.state = option.state;
    source.palette = option.palette.cacheKey();
    source.lineWidth = option.lineWidth;
    source.midLineWidth = option.midLineWidth;
    source.features = option.features;
    source.direction = option.direction;
    source.geometry = box.geometry();
    source.ratio = box.devicePixelRatioF();
    if (const QWidget* parent = box.parentWidget()) {
        source.parentSize = parent->size();
        source.parentPalette = parent->palette().cacheKey();
        source.parentFont = parent->font();
        source.parentStyle = parent->style();
        source.parentEnabled = parent->isEnabled();
    }
    return source;
}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const {
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element != PE_PanelLineEdit || widget != &m_box || frame == nullptr ||
        m_box.parentWidget() == nullptr) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const Source source = SourceOf(*frame, m_box);
    if (m_picture.isNull() || !(source == m_source)) {
        m_picture = Backdrop::ParentPicture(m_box);
        QPainter picturePainter(&m_picture);
        QProxyStyle::drawPrimitive(element, option, &picturePainter, widget);
        m_source = source;
    }
    painter->drawPixmap(0, 0, m_picture);
}
