#include "app/frmMain.h"

#include <initializer_list>

#include <QComboBox>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/backdrop.h"
#include "app/cached_panel_style.h"
#include "app/combo_text.h"
#include "app/group_box_frame.h"
#include "app/label_stack.h"
#include "app/maker_line.h"
#include "app/pictures.h"
#include "link/settings_file.h"
#include "measure/cyclic_polling.h"
#include "measure/reception.h"
#include "measure/single_read.h"
#include "module_setup/address_commands.h"
#include "module_setup/adjustment_write.h"
#include "port_setup/port_selection.h"
#include "ui_frmMain.h"

frmMain::frmMain(const SettingsLocation& settings, CommControl& port, MessageBoxes& messages,
                 QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::frmMain>()), m_form{
                                                 {}, {}, port, messages, settings.settingsFile()} {
    // The pictures are in a static library: register them before the form uses them.
    Q_INIT_RESOURCE(resources);
    PreloadGroupBoxFrame();
    m_ui->setupUi(this);
    m_ui->Label4->setText(BuiltMakerLine());
    // The unit labels are light (weight 300). The form gives their family,
    // size and colour; a weight in a form is dropped by uic, and a style sheet
    // would put every paint of theirs through the style-sheet style.
    for (QLabel* unit :
         {m_ui->lblDanWei_0, m_ui->lblDanWei_1, m_ui->lblDanWei_2, m_ui->lblDanWei_3}) {
        QFont font = unit->font();
        font.setWeight(QFont::Light);
        unit->setFont(font);
    }
    // Title bars and task switchers ask for 16 to 64 pixels; decoding the
    // 256-pixel picture would cost the start-up more than all the others.
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        icon.addPixmap(LoadPng(QStringLiteral(":/ht5530k-%1.png").arg(size)));
    }
    setWindowIcon(icon);
    m_ui->imgNotConnected->setPixmap(LoadPng(QStringLiteral(":/red.png")));
    m_ui->ImgYellow->setPixmap(LoadPng(QStringLiteral(":/yellow.png")));
    m_ui->imgConnected->setPixmap(LoadPng(QStringLiteral(":/green.png")));

    // A precise timer keeps the poll period: a coarse one may drift by 5%.
    m_timer2.setTimerType(Qt::PreciseTimer);

    FormControls& c = m_form.ui;
    c.Combo1 = m_ui->Combo1;
    c.Combo2 = m_ui->Combo2;
    c.txtStationID = m_ui->txtStationID;
    c.txtFunID = m_ui->txtFunID;
    c.txtStartID = m_ui->txtStartID;
    c.txtDataLength = m_ui->txtDataLength;
    c.PictureShow = m_ui->PictureShow;
    c.txtValue = {m_ui->txtValue_0, m_ui->txtValue_1};
    c.txtCommand = m_ui->txtCommand;
    c.txtState = m_ui->txtState;
    c.imgNotConnected = m_ui->imgNotConnected;
    c.ImgYellow = m_ui->ImgYellow;
    c.imgConnected = m_ui->imgConnected;
    c.lblErrCounter = m_ui->lblErrCounter;
    c.lblCounter = m_ui->lblCounter;
    c.txtTimerSet = m_ui->txtTimerSet;
    c.Timer2 = &m_timer2;
    c.txtsetValue = {m_ui->txtsetValue_0, m_ui->txtsetValue_1};
    c.txtTAdj = m_ui->txtTAdj;
    c.txtHAdj = m_ui->txtHAdj;
    c.txtSetID = {m_ui->txtSetID_0, m_ui->txtSetID_1};

    // The lists start with a text but no entry selected.
    ShowTextWithoutSelection(*m_ui->Combo1, QStringLiteral("COM4"));
    ShowTextWithoutSelection(*m_ui->Combo2, QStringLiteral("19200"));
    m_ui->imgNotConnected->raise();
    // What changes at every poll paints over a picture of the group box
    // instead of repainting the group box behind it.
    for (QWidget* changing :
         std::initializer_list<QWidget*>{m_ui->Picture2, m_ui->lblErrCounter, m_ui->lblCounter}) {
        Backdrop::Install(*changing);
    }
    LabelStack::Install({m_ui->imgNotConnected, m_ui->ImgYellow, m_ui->imgConnected});
    for (QLineEdit* value : {m_ui->txtValue_0, m_ui->txtValue_1}) {
        CachedPanelStyle::Install(*value);
    }

    connectHandlers();
    startUp(settings.fileToRead());
}

frmMain::~frmMain() = default;

std::int16_t frmMain::ReadModule(int, int, int, int) const {
    return 0;
}

template <typename Handler>
void frmMain::run(Handler&& handler) {
    HandlerScope scope(m_form);
    handler(m_form);
}

void frmMain::connectHandlers() {
    connect(m_ui->Combo1, &QComboBox::activated, this, [this] { run(Combo1_Click); });
    connect(m_ui->cmdCom, &QPushButton::clicked, this, [this] { run(cmdCom_Click); });
    connect(m_ui->comDoOnce, &QPushButton::clicked, this, [this] { run(comDoOnce_Click); });
    connect(m_ui->cmdOneM, &QPushButton::clicked, this, [this] { run(cmdOneM_Click); });
    connect(m_ui->cmdStopOnce, &QPushButton::clicked, this, [this] { run(cmdStopOnce_Click); });
    connect(m_ui->cmdReadAdd, &QPushButton::clicked, this, [this] { run(cmdReadAdd_Click); });
    connect(m_ui->cmdChangeID, &QPushButton::clicked, this, [this] { run(cmdChangeID_Click); });
    connect(m_ui->cmdSet_0, &QPushButton::clicked, this,
            [this] { run([](Form& form) { cmdSet_Click(form, 0); }); });
    connect(m_ui->cmdSet_1, &QPushButton::clicked, this,
            [this] { run([](Form& form) { cmdSet_Click(form, 1); }); });
    connect(&m_form.MSComm1, &CommControl::onComm, this, [this] { run(MSComm1_OnComm); });
    connect(&m_timer2, &QTimer::timeout, this, [this] {
        // A tick that falls due while a handler (or its message box) is open
        // is skipped, not queued.
        if (m_form.busy == 0) {
            run(Timer2_Timer);
        }
    });
}

void frmMain::startUp(const QString& settingsToRead) {
    HandlerScope scope(m_form);
    m_ui->PictureShow->show();
    const CommSettings saved = ReadCommSettings(settingsToRead);
    m_ui->txtStationID->setText(QStringLiteral("1"));
    RestorePort(m_form, saved);
}
