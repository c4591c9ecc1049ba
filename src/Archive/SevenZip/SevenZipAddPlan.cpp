#include "Archive/SevenZip/SevenZipAddPlan.h"

#include <QSet>

QList<SevenZipAddPlan::Step> SevenZipAddPlan::make(const QList<Input>& inputs, const QString& scratchPrefix)
{
    if (storesUnderOwnNames(inputs)) {
        Step step;
        for (const Input& input : inputs)
            step.paths.append(input.path);
        return { step };
    }
    QList<Step> steps;
    Step finalStep;
    for (const QList<qsizetype>& pass : passes(inputs)) {
        Step step;
        for (const qsizetype index : pass) {
            const QString scratch = scratchPrefix + QString::number(index);
            step.paths.append(inputs.at(index).path);
            step.renames.append({ lastComponent(inputs.at(index).path), scratch });
            finalStep.renames.append({ scratch, inputs.at(index).name });
        }
        steps.append(step);
    }
    steps.append(finalStep);
    return steps;
}

bool SevenZipAddPlan::storesUnderOwnNames(const QList<Input>& inputs)
{
    QSet<QString> names;
    for (const Input& input : inputs) {
        if (input.name != lastComponent(input.path) || names.contains(input.name))
            return false;
        names.insert(input.name);
    }
    return true;
}

// Each input goes to the first pass that holds no other input of the same
// last component; order is kept within a pass.
QList<QList<qsizetype>> SevenZipAddPlan::passes(const QList<Input>& inputs)
{
    QList<QList<qsizetype>> result;
    QList<QSet<QString>> namesInPass;
    for (qsizetype index = 0; index < inputs.size(); ++index) {
        const QString name = lastComponent(inputs.at(index).path);
        qsizetype pass = 0;
        while (pass < namesInPass.size() && namesInPass.at(pass).contains(name))
            ++pass;
        if (pass == namesInPass.size()) {
            result.append(QList<qsizetype>());
            namesInPass.append(QSet<QString>());
        }
        result[pass].append(index);
        namesInPass[pass].insert(name);
    }
    return result;
}
