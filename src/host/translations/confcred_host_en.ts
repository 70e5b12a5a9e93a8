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
</context>
</TS>
