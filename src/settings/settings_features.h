#pragma once

#include "choice_change.h"
#include "dump_files.h"
#include "engineering_change.h"
#include "lambda_training.h"
#include "page_selection.h"
#include "scale_stepper.h"
#include "settings_context.h"
#include "settings_view.h"

#include <QObject>

class ConnectRead;
class ModuleSettingsModel;
class TransactionEngine;

// Everything the settings pages work with, created together: the page model, the shared context
// and the operations of the settings, template and engineering pages. The shell creates one,
// passes the engine and the settings model, lets the page follow the connection read, sets the
// interface texts and the number format, and binds the widgets.
class SettingsFeatures : public QObject {
    Q_OBJECT
public:
    SettingsFeatures(TransactionEngine& engine, ModuleSettingsModel& model,
                     QObject* parent = nullptr);

    SettingsPageModel& page() { return m_page; }
    SettingsContext& context() { return m_context; }
    ChoiceChange& choices() { return m_choices; }
    ScaleStepper& stepper() { return m_stepper; }
    DumpFiles& dumps() { return m_dumps; }
    EngineeringChange& engineering() { return m_engineering; }
    LambdaTraining& lambda() { return m_lambda; }

    // The page presses the buttons of every bit-field byte and injector count the read decodes.
    void follow(ConnectRead& read);

    // The settings view refresh: computes the view, puts its scales and engineering buttons on
    // the page model and announces it. The shell then copies the rest (row labels, srg_VV,
    // FuelFlowFactor), brings the water-table buttons to the front, applies ParameterFlags
    // (ParameterFlagsAfterRefresh), enables atb_Chart1_Start, sets ProgressBar1 to 0 and runs
    // btnRefresh3D.
    SettingsView Btn_Raschet_Marvek_2Click();

signals:
    void viewRefreshed(const SettingsView& view);

private:
    SettingsPageModel m_page;
    SettingsContext m_context;
    ChoiceChange m_choices;
    ScaleStepper m_stepper;
    DumpFiles m_dumps;
    EngineeringChange m_engineering;
    LambdaTraining m_lambda;
};
