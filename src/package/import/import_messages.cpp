#include "package/import/import_messages.h"

#include <cerrno>

#include "host/messages.h"
#include "package/import/import_paths.h"
#include "platform/files.h"

namespace confcred::package::credit_import {

const QStringList& importMessageLines() {
    static const QStringList lines = {
        QStringLiteral("INF_ARQ|Arquivo deve ser informado."),
        QStringLiteral("ARQ_N|Arquivo não encontrado."),
        QStringLiteral("OPER_SUC|Importação realizada com sucesso."),
        QStringLiteral("CONF|Confirma operação?"),
        QStringLiteral("EXPORTANDO|Importando dados..."),
        QStringLiteral("DADOS_NOT_INPORT|Importação realizada com advertências. Favor verificar o "
                       "arquivo de log gerado na pasta: C:\\Credito\\Site\\Log_Lun."),
        QStringLiteral("ARQ_NAO_MOVIDO|O arquivo foi importado, mas não pôde ser movido para a "
                       "pasta C:\\Credito\\Site\\Importados e continua em: %1\nMotivo: %2\nMova-o "
                       "para não importá-lo de novo."),
        QStringLiteral("MOT_ARQ_EXISTE|já existe o arquivo %1, que foi mantido."),
        QStringLiteral("MOT_PASTA_INEXISTENTE|a pasta %1 não existe."),
        QStringLiteral("MOT_FORA_IMPORTADOS|o nome de destino %1 ficaria fora da pasta "
                       "C:\\Credito\\Site\\Importados."),
        QStringLiteral("MOT_MOVER_FALHOU|o sistema não permitiu mover o arquivo para %1."),
        QStringLiteral("LOG_NAO_GRAVADO|Importação realizada com advertências, mas o arquivo de "
                       "log não pôde ser gravado na pasta C:\\Credito\\Site\\Log_Lun.\nMotivo: "
                       "%1\nAdvertências:\n%2"),
        QStringLiteral("LOG_DISCO_CHEIO|não há espaço no disco"),
        QStringLiteral("LOG_SEM_PERMISSAO|sem permissão para gravar"),
        QStringLiteral("LOG_SEM_PASTA|a pasta não existe e não pôde ser criada"),
        QStringLiteral("LOG_FALHA|falha de gravação"),
    };
    return lines;
}

QString archiveFailureText(const host::TMessages& messages, const QString& path,
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

QString logFailureText(const host::TMessages& messages, const platform::IoError& error,
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
    // The system's own words go last, for whoever looks after the machine.
    const QString reason = messages.Msg(key) + QStringLiteral(" (") +
                           QString::fromUtf8(error.what()) + QLatin1Char(')');
    return messages.Msg(QStringLiteral("LOG_NAO_GRAVADO"))
        .arg(reason, warnings.join(QLatin1Char('\n')));
}

}  // namespace confcred::package::credit_import
