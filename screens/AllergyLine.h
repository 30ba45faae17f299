#pragma once

#include <QObject>
#include <QPalette>
#include <QString>
#include <string>
#include <vector>

class QLabel;

// The line under a patient's particulars that keeps the allergies in sight: "Allergies: "
// and the entries in red, cut to the width of the line with the whole text in its tooltip,
// or "Allergies: none recorded" in the usual colour. It drives a label of the screen's form,
// which stays hidden while no patient is shown.
class AllergyLine : public QObject {
public:
    explicit AllergyLine(QLabel* label);

    // Shows the patient's allergies as stored now. When they cannot be read the line says so,
    // in red, and false is returned.
    bool showFor(const std::string& patientId);
    void clear();
    // The whole text, however much of it the width shows.
    const QString& text() const { return whole; }

    // The patient's allergy entries, in the order they were stored.
    static bool fetch(const std::string& patientId, std::vector<std::string>& allergies);
    // What follows "Allergies: ": the entries joined with "; ", or "none recorded".
    static std::string listed(const std::vector<std::string>& allergies);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(const QString& text, bool warns);
    void fitToWidth();

    QLabel* label;
    QPalette usual;
    QString whole;
};
