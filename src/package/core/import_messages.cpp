#include "package/core/import_messages.h"

#include <cerrno>

#include "host/core/messages.h"
#include "package/core/import_paths.h"
#include "platform/files.h"

namespace confcred::package::credit_import {

QStringList importMessageLines() {
    static const host::core::MessageText texts[] = {
        {"INF_ARQ", QT_TRANSLATE_NOOP("Cli_Lun90002", "Arquivo deve ser informado.")},
        {"ARQ_N", QT_TRANSLATE_NOOP("Cli_Lun90002", "Arquivo não encontrado.")},
        {"OPER_SUC", QT_TRANSLATE_NOOP("Cli_Lun90002", "Importação realizada com sucesso.")},
        {"CONF", QT_TRANSLATE_NOOP("Cli_Lun90002", "Confirma operação?")},
        {"EXPORTANDO", QT_TRANSLATE_NOOP("Cli_Lun90002", "Importando dados...")},
        {"DADOS_NOT_INPORT",
         QT_TRANSLATE_NOOP("Cli_Lun90002",
                           "Importação realizada com advertências. Favor verificar o arquivo de "
                           "log gerado na pasta: C:\\Credito\\Site\\Log_Lun.")},
        {"ARQ_NAO_MOVIDO",
         QT_TRANSLATE_NOOP("Cli_Lun90002",
                           "O arquivo foi importado, mas não pôde ser movido para a pasta "
                           "C:\\Credito\\Site\\Importados e continua em: %1\nMotivo: %2\nMova-o "
                           "para não importá-lo de novo.")},
        {"MOT_ARQ_EXISTE",
         QT_TRANSLATE_NOOP("Cli_Lun90002", "já existe o arquivo %1, que foi mantido.")},
        {"MOT_PASTA_INEXISTENTE", QT_TRANSLATE_NOOP("Cli_Lun90002", "a pasta %1 não existe.")},
        {"MOT_FORA_IMPORTADOS", QT_TRANSLATE_NOOP("Cli_Lun90002",
                                                  "o nome de destino %1 ficaria fora da pasta "
                                                  "C:\\Credito\\Site\\Importados.")},
        {"MOT_MOVER_FALHOU",
         QT_TRANSLATE_NOOP("Cli_Lun90002", "o sistema não permitiu mover o arquivo para %1.")},
        {"LOG_NAO_GRAVADO",
         QT_TRANSLATE_NOOP("Cli_Lun90002",
                           "Importação realizada com advertências, mas o arquivo de log não pôde "
                           "ser gravado na pasta C:\\Credito\\Site\\Log_Lun.\nMotivo: "
                           "%1\nAdvertências:\n%2")},
        {"LOG_DISCO_CHEIO", QT_TRANSLATE_NOOP("Cli_Lun90002", "não há espaço no disco")},
        {"LOG_SEM_PERMISSAO", QT_TRANSLATE_NOOP("Cli_Lun90002", "sem permissão para gravar")},
        {"LOG_SEM_PASTA",
         QT_TRANSLATE_NOOP("Cli_Lun90002", "a pasta não existe e não pôde ser criada")},
        {"LOG_FALHA", QT_TRANSLATE_NOOP("Cli_Lun90002", "falha de gravação")},
        {"ADV_NO_LOG", QT_TRANSLATE_NOOP("Cli_Lun90002", "Advertências gravadas no log: %1 (%2).")},
        {"ABRIR_LOG", QT_TRANSLATE_NOOP("Cli_Lun90002", "Abrir &log")},
    };
    return host::core::translatedLines("Cli_Lun90002", texts);
}

QString archiveFailureText(const host::core::TMessages& messages, const QString& path,
                           const ArchiveOutcome& outcome) {
    const QString target = QString::fromStdString(outcome.target);
    QString reason;
    switch (outcome.status) {
        case ArchiveStatus::TargetExists:
            reason = messages.Msg(QStringLiteral("MOT_ARQ_EXISTE")).arg(target);
            break;
        case ArchiveStatus::FolderMissing:
            reason = messages.Msg(QStringLiteral("MOT_PASTA_INEXISTENTE"))
                         .arg(QString::fromStdString(outcome.missingFolder));
            break;
        case ArchiveStatus::Refused:
            reason = messages.Msg(QStringLiteral("MOT_FORA_IMPORTADOS")).arg(target);
            break;
        case ArchiveStatus::Moved:
        case ArchiveStatus::MoveFailed:
            reason = messages.Msg(QStringLiteral("MOT_MOVER_FALHOU")).arg(target);
            break;
    }
    return messages.Msg(QStringLiteral("ARQ_NAO_MOVIDO")).arg(path, reason);
}

QString logFailureText(const host::core::TMessages& messages, const platform::IoError& error,
                       const QStringList& warnings) {
    QString key;
    switch (error.error()) {
        case ENOSPC:
        case EDQUOT:
            key = QStringLiteral("LOG_DISCO_CHEIO");
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            key = QStringLiteral("LOG_SEM_PERMISSAO");
            break;
        case ENOENT:
        case ENOTDIR:
            key = QStringLiteral("LOG_SEM_PASTA");
            break;
        default:
            key = QStringLiteral("LOG_FALHA");
            break;
    }
    // In the operator's words, with the file; the system's own (English)
    // words only when the failure names no file.
    const QString where = error.path().empty() ? QString::fromUtf8(error.what())
                                               : QString::fromStdString(error.path());
    const QString reason = messages.Msg(key) + QStringLiteral(" (") + where + QLatin1Char(')');
    return messages.Msg(QStringLiteral("LOG_NAO_GRAVADO"))
        .arg(reason, warnings.join(QLatin1Char('\n')));
}

}  // namespace confcred::package::credit_import
