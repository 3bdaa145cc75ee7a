// Language packs applied to windows (see Language.h).
#include "core/LanguageText.h"

#include "platform/IniFile.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTranslator>
#include <QTreeWidget>

#include <memory>

namespace {

std::unique_ptr<QTranslator> QtTexts;

QString Text(const TIniFile& ini, const QString& section, const QString& key, const QString& current) {
    return key.isEmpty() ? current : ini.ReadString(section, key, current);
}

void ApplyToWidget(const TIniFile& ini, const QString& section, QWidget* w) {
    const QString name = w->objectName();
    if (name.isEmpty())
        return;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(Text(ini, section, name, label->text()));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(Text(ini, section, name, button->text()));
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(Text(ini, section, name, group->title()));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const QString textKey = name + QStringLiteral("_Text");
        if (combo->isEditable() && ini.ValueExists(section, textKey))
            combo->setEditText(ini.ReadString(section, textKey, combo->currentText()));
        for (int i = 0; i < combo->count(); ++i)
            combo->setItemText(
                i, Text(ini, section, name + QStringLiteral("_Item") + QString::number(i), combo->itemText(i)));
    } else if (auto* bar = qobject_cast<QStatusBar*>(w)) {
        const QList<QLabel*> panels = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        if (panels.isEmpty()) {
            if (ini.ValueExists(section, name))
                bar->showMessage(ini.ReadString(section, name, bar->currentMessage()));
        } else {
            for (int i = 0; i < panels.size(); ++i)
                panels[i]->setText(
                    Text(ini, section, name + QStringLiteral("_Panel") + QString::number(i), panels[i]->text()));
        }
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        QTreeWidgetItem* header = tree->headerItem();
        for (int i = 0; header && i < tree->columnCount(); ++i)
            header->setText(i,
                            Text(ini, section, name + QStringLiteral("_Column") + QString::number(i), header->text(i)));
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        for (int i = 0; i < table->columnCount(); ++i)
            if (QTableWidgetItem* item = table->horizontalHeaderItem(i))
                item->setText(Text(ini, section, name + QStringLiteral("_Column") + QString::number(i), item->text()));
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        for (int i = 0; i < tabs->count(); ++i)
            tabs->setTabText(i,
                             Text(ini, section, name + QStringLiteral("_Page") + QString::number(i), tabs->tabText(i)));
    }
}

} // namespace

void ApplyLanguage(QWidget* window, const QString& language) {
    if (!window)
        return;
    const TIniFile ini(LanguageFilePath(language));
    const QString section = window->objectName();
    if (!section.isEmpty())
        window->setWindowTitle(ini.ReadString(section, section, window->windowTitle()));
    for (QWidget* w : window->findChildren<QWidget*>())
        ApplyToWidget(ini, section, w);
    const QString menuSection = QStringLiteral("Menu_") + section;
    for (QMenu* menu : window->findChildren<QMenu*>())
        if (!menu->objectName().isEmpty())
            menu->setTitle(ini.ReadString(menuSection, menu->objectName(), menu->title()));
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->isSeparator() || action->objectName().isEmpty() || action->menu())
            continue;
        action->setText(ini.ReadString(menuSection, action->objectName(), action->text()));
    }
}

void ApplyApplicationLanguage(const QString& language) {
    if (!qApp)
        return;
    QString locale;
    QString direction;
    if (!IsEnglish(language)) {
        const TIniFile ini(LanguageFilePath(language));
        locale = ini.ReadString(QStringLiteral("Language"), QStringLiteral("Locale"), QString());
        direction = ini.ReadString(QStringLiteral("Language"), QStringLiteral("Direction"), QString());
    }
    if (QtTexts) {
        QCoreApplication::removeTranslator(QtTexts.get());
        QtTexts.reset();
    }
    if (!locale.isEmpty()) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QLocale(locale), QStringLiteral("qtbase"), QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(translator.get());
            QtTexts = std::move(translator);
        }
    }
    QApplication::setLayoutDirection(
        direction.compare(QLatin1String("RightToLeft"), Qt::CaseInsensitive) == 0 ? Qt::RightToLeft : Qt::LeftToRight);
}

bool SwitchLanguage(QWidget* window, QAction* item) {
    const QString language = item->objectName().mid(2);
    if (!SwitchLanguageTo(language))
        return false;
    QList<QAction*> siblings;
    if (QActionGroup* group = item->actionGroup())
        siblings = group->actions();
    else
        for (QObject* o : item->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(o))
                siblings += menu->actions();
    for (QAction* a : siblings)
        if (a != item)
            a->setChecked(false);
    item->setCheckable(true);
    item->setChecked(true);
    ApplyApplicationLanguage(language);
    ApplyLanguage(window, language);
    return true;
}
