<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>confcred_host</name>
    <message>
        <source>Erro inesperado.</source>
        <translation>Unexpected error.</translation>
    </message>
    <message>
        <source>Ajuda - %1</source>
        <translation>Help - %1</translation>
    </message>
    <message>
        <source>Tela %1 - %2.
A ajuda desta tela não está instalada.</source>
        <translation>Screen %1 - %2.
The help of this screen is not installed.</translation>
    </message>
    <message>
        <source>Confirmar</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Fechar</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Fechar (Esc)</source>
        <translation>Close (Esc)</translation>
    </message>
    <message>
        <source>Importar</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Ajuda</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>&amp;Registro</source>
        <translation>&amp;Record</translation>
    </message>
    <message>
        <source>&amp;Incluir</source>
        <translation>&amp;Insert</translation>
    </message>
    <message>
        <source>&amp;Alterar</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Excluir</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>&amp;Gravar</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>&amp;Cancelar</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>&amp;Pesquisar</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>&amp;Duplicar registro</source>
        <translation>D&amp;uplicate record</translation>
    </message>
    <message>
        <source>A&amp;tualizar	F5</source>
        <translation>Re&amp;load	F5</translation>
    </message>
    <message>
        <source>I&amp;mprimir...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>Exportar C&amp;SV...</source>
        <translation>Export C&amp;SV...</translation>
    </message>
    <message>
        <source>Exp&amp;ortar PDF...</source>
        <translation>Exp&amp;ort PDF...</translation>
    </message>
    <message>
        <source>&amp;Fechar</source>
        <translation>C&amp;lose</translation>
    </message>
    <message>
        <source>Incluir</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>Alterar</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Excluir</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Gravar</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Cancelar</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Pesquisar</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Atualizar (F5)</source>
        <translation>Reload (F5)</translation>
    </message>
    <message>
        <source>Imprimir</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Folha de Dados</source>
        <translation>Data Sheet</translation>
    </message>
    <message>
        <source>Formulário</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Primeiro</source>
        <translation>First</translation>
    </message>
    <message>
        <source>Anterior</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>Próximo</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Último</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>Entrar</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>&amp;Operador</source>
        <translation>&amp;Operator</translation>
    </message>
    <message>
        <source>&amp;Senha</source>
        <translation>&amp;Password</translation>
    </message>
    <message>
        <source>Sua sessão no servidor de aplicação terminou. Entre novamente para continuar.</source>
        <translation>Your session on the application server has ended. Log in again to continue.</translation>
    </message>
    <message>
        <source>Não foi possível gravar o arquivo %1: caminho inválido (%2).</source>
        <translation>Could not write the file %1: invalid path (%2).</translation>
    </message>
    <message>
        <source>Exportar CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>Exportar PDF</source>
        <translation>Export PDF</translation>
    </message>
    <message>
        <source>Arquivo CSV (separado por ponto e vírgula)|*.csv|Todos os arquivos|*.*</source>
        <translation>CSV file (semicolon separated)|*.csv|All files|*.*</translation>
    </message>
    <message>
        <source>Documento PDF|*.pdf|Todos os arquivos|*.*</source>
        <translation>PDF document|*.pdf|All files|*.*</translation>
    </message>
    <message>
        <source>Filtro: </source>
        <translation>Filter: </translation>
    </message>
    <message>
        <source>Total: %1 registro(s)</source>
        <translation>Total: %1 record(s)</translation>
    </message>
    <message>
        <source>Medindo a linha %1 de %2</source>
        <translation>Measuring row %1 of %2</translation>
    </message>
    <message>
        <source>Operador: </source>
        <translation>Operator: </translation>
    </message>
    <message>
        <source>Emitido em </source>
        <translation>Printed on </translation>
    </message>
    <message>
        <source>Página %1 de %2</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>%1 registro(s)</source>
        <translation>%1 record(s)</translation>
    </message>
    <message>
        <source>Visualizar impressão - %1</source>
        <translation>Print preview - %1</translation>
    </message>
    <message>
        <source>Conectando ao servidor...</source>
        <translation>Connecting to the server...</translation>
    </message>
    <message>
        <source>Processando, aguarde...</source>
        <translation>Processing, please wait...</translation>
    </message>
    <message>
        <source>Domingo</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>Segunda</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>Terça</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>Quarta</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>Quinta</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>Sexta</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>Sábado</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>Data em branco: informe DD/MM/AAAA. A data continua %1.</source>
        <translation>Blank date: type DD/MM/YYYY. The date stays %1.</translation>
    </message>
    <message>
        <source>Data inválida: &quot;%1&quot;. Informe DD/MM/AAAA; a data continua %2.</source>
        <translation>Invalid date: &quot;%1&quot;. Type DD/MM/YYYY; the date stays %2.</translation>
    </message>
    <message>
        <source>Data inválida</source>
        <translation>Invalid date</translation>
    </message>
    <message>
        <source>&amp;Localizar:</source>
        <translation>&amp;Find:</translation>
    </message>
    <message>
        <source>&amp;Marcar todos</source>
        <translation>&amp;Tick all</translation>
    </message>
    <message>
        <source>&amp;Desmarcar todos</source>
        <translation>&amp;Untick all</translation>
    </message>
    <message>
        <source>%1 de %2 marcado(s)</source>
        <translation>%1 of %2 ticked</translation>
    </message>
    <message>
        <source>&amp;Sim</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Não</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&amp;Anular</source>
        <translation>&amp;Abort</translation>
    </message>
    <message>
        <source>&amp;Repetir</source>
        <translation>&amp;Retry</translation>
    </message>
    <message>
        <source>&amp;Ignorar</source>
        <translation>&amp;Ignore</translation>
    </message>
    <message>
        <source>A&amp;brir</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>Não foi possível carregar o pacote de telas: </source>
        <translation>Could not load the screen package: </translation>
    </message>
    <message>
        <source>ConfCred - Retaguarda</source>
        <translation>ConfCred - Back Office</translation>
    </message>
    <message>
        <source>&amp;Crédito</source>
        <translation>&amp;Credit</translation>
    </message>
    <message>
        <source>Confirmação de Crédito Bancário</source>
        <translation>Bank Credit Confirmation</translation>
    </message>
    <message>
        <source>Sai&amp;r</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Janela</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>&amp;Cascata</source>
        <translation>&amp;Cascade</translation>
    </message>
    <message>
        <source>&amp;Lado a lado</source>
        <translation>&amp;Tile</translation>
    </message>
    <message>
        <source>Filial %1  |  Operador %2  |  Servidor %3:%4</source>
        <translation>Branch %1  |  Operator %2  |  Server %3:%4</translation>
    </message>
    <message>
        <source>Pacote de telas não carregado</source>
        <translation>Screen package not loaded</translation>
    </message>
    <message>
        <source>Exportação concluída: %1 registro(s) em %2.</source>
        <translation>Export done: %1 record(s) in %2.</translation>
    </message>
    <message>
        <source>Pastas de trabalho criadas: %1.</source>
        <translation>Working folders created: %1.</translation>
    </message>
    <message>
        <source>Não foi possível criar as pastas de trabalho: %1.</source>
        <translation>Could not create the working folders: %1.</translation>
    </message>
    <message>
        <source>Resposta inválida do servidor de aplicação em %1 para %2 (HTTP %3): </source>
        <translation>Invalid answer from the application server at %1 for %2 (HTTP %3): </translation>
    </message>
    <message>
        <source>texto depois do objeto.</source>
        <translation>text after the object.</translation>
    </message>
    <message>
        <source>sem &quot;result&quot; nem &quot;error&quot;.</source>
        <translation>neither &quot;result&quot; nor &quot;error&quot;.</translation>
    </message>
    <message>
        <source>estado HTTP de falha sem mensagem de erro.</source>
        <translation>a failure HTTP status without an error message.</translation>
    </message>
    <message>
        <source>Sua sessão no servidor de aplicação terminou e a nova entrada foi cancelada; nada foi alterado no servidor. Repita a operação para entrar novamente.</source>
        <translation>Your session on the application server ended and the new login was cancelled; nothing was changed on the server. Repeat the operation to log in again.</translation>
    </message>
    <message>
        <source>Sua sessão no servidor de aplicação terminou e a nova entrada foi recusada: %1 Nada foi alterado no servidor.</source>
        <translation>Your session on the application server ended and the new login was refused: %1 Nothing was changed on the server.</translation>
    </message>
    <message>
        <source>A sessão passou para o operador %1; a operação pedida por %2 não foi enviada e nada foi alterado no servidor. Repita-a se for o caso.</source>
        <translation>The session passed to operator %1; the operation %2 asked for was not sent and nothing was changed on the server. Repeat it if need be.</translation>
    </message>
    <message>
        <source>Servidor de aplicação indisponível em %1 (HTTP %2, %3): nenhum servidor atendeu. %4</source>
        <translation>Application server unavailable at %1 (HTTP %2, %3): no server answered. %4</translation>
    </message>
    <message>
        <source>Tente novamente em instantes; repetir a operação não a aplica duas vezes, mas confira a lista antes.</source>
        <translation>Try again in a moment; repeating the operation does not apply it twice, but check the list first.</translation>
    </message>
    <message>
        <source>Tente novamente em instantes.</source>
        <translation>Try again in a moment.</translation>
    </message>
    <message>
        <source>O servidor de aplicação em %1 recusou a conexão; verifique se ele está em execução.</source>
        <translation>The application server at %1 refused the connection; check that it is running.</translation>
    </message>
    <message>
        <source>O servidor de aplicação em %1 encerrou a conexão antes de terminar a resposta (%2).</source>
        <translation>The application server at %1 closed the connection before finishing its answer (%2).</translation>
    </message>
    <message>
        <source>Servidor de aplicação não encontrado: %1.</source>
        <translation>Application server not found: %1.</translation>
    </message>
    <message>
        <source>O servidor de aplicação em %1 não respondeu em %2 s (%3).</source>
        <translation>The application server at %1 did not answer within %2 s (%3).</translation>
    </message>
    <message>
        <source>Falha na comunicação com o servidor de aplicação em %1 (%2): %3</source>
        <translation>Communication with the application server at %1 failed (%2): %3</translation>
    </message>
    <message>
        <source>Resposta incompleta do servidor de aplicação em %1 (%2).</source>
        <translation>Incomplete answer from the application server at %1 (%2).</translation>
    </message>
    <message>
        <source>O servidor de aplicação informou um erro sem descrição.</source>
        <translation>The application server reported an error without a description.</translation>
    </message>
    <message>
        <source>Não foi possível conectar ao servidor de aplicação em %1: </source>
        <translation>Could not connect to the application server at %1: </translation>
    </message>
    <message>
        <source>servidor não informado.</source>
        <translation>no server given.</translation>
    </message>
    <message>
        <source>porta inválida.</source>
        <translation>invalid port.</translation>
    </message>
    <message>
        <source>o serviço não respondeu como esperado (HTTP %1).</source>
        <translation>the service did not answer as expected (HTTP %1).</translation>
    </message>
    <message>
        <source>consulta %1</source>
        <translation>query %1</translation>
    </message>
    <message>
        <source>O servidor de aplicação não respondeu.</source>
        <translation>The application server did not answer.</translation>
    </message>
    <message>
        <source>Servidor de aplicação indisponível em %1 (HTTP %2): nenhum servidor atendeu a entrada. Tente novamente em instantes.</source>
        <translation>Application server unavailable at %1 (HTTP %2): no server answered the login. Try again in a moment.</translation>
    </message>
    <message>
        <source>O servidor de aplicação recusou a entrada (HTTP %1).</source>
        <translation>The application server refused the login (HTTP %1).</translation>
    </message>
    <message>
        <source>Arquivo de autoridades certificadoras não encontrado: %1.</source>
        <translation>Certificate authorities file not found: %1.</translation>
    </message>
    <message>
        <source>O arquivo %1 não contém nenhum certificado PEM de autoridade certificadora.</source>
        <translation>The file %1 holds no PEM certificate authority certificate.</translation>
    </message>
    <message>
        <source>A conexão segura (TLS) com o servidor de aplicação em %1 falhou: %2</source>
        <translation>The secure (TLS) connection to the application server at %1 failed: %2</translation>
    </message>
    <message>
        <source>O certificado do servidor de aplicação em %1 não foi aceito e a conexão foi interrompida: %2. Confira as autoridades certificadoras do host (opção --ca) ou o certificado do servidor.</source>
        <translation>The application server&apos;s certificate at %1 was not accepted and the connection was cut: %2. Check the host&apos;s certificate authorities (option --ca) or the server&apos;s certificate.</translation>
    </message>
</context>
</TS>
