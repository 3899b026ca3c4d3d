<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="pl_PL">
<context>
    <name>AboutPanel</name>
    <message>
        <source>Wersja %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Wyniki są wpisywane tylko do programów X11.</source>
        <translation>Results are typed into X11 programs only.</translation>
    </message>
    <message>
        <source>Wyniki nie są tu wpisywane, tylko zapisywane do pliku.</source>
        <translation>Results are not typed here, only written to the file.</translation>
    </message>
    <message>
        <source>Dokumentacja: &lt;a href=&quot;%1&quot;&gt;%2&lt;/a&gt;</source>
        <translation>Documentation: &lt;a href=&quot;%1&quot;&gt;%2&lt;/a&gt;</translation>
    </message>
</context>
<context>
    <name>ArrivalLog</name>
    <message>
        <source>Czas</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Łącze</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>Odebrany tekst</source>
        <translation>Received text</translation>
    </message>
    <message>
        <source>Co z niego powstało</source>
        <translation>What it became</translation>
    </message>
    <message>
        <source>Co zrobiono</source>
        <translation>What was done</translation>
    </message>
    <message>
        <source>nagłówek stanu</source>
        <translation>status header</translation>
    </message>
    <message>
        <source>nagłówek brutto/netto</source>
        <translation>gross/net header</translation>
    </message>
    <message>
        <source>litera stanu</source>
        <translation>status letter</translation>
    </message>
    <message>
        <source>liczba ze znakiem</source>
        <translation>signed number</translation>
    </message>
    <message>
        <source>wiersz stanu</source>
        <translation>status line</translation>
    </message>
    <message>
        <source>waga %1</source>
        <translation>weight %1</translation>
    </message>
    <message>
        <source>waga niestabilna, pominięta</source>
        <translation>unstable weight, skipped</translation>
    </message>
    <message>
        <source>wiersz stanu, bez wagi</source>
        <translation>status line, no weight</translation>
    </message>
    <message>
        <source>nie jest wierszem ważenia</source>
        <translation>not a weighing line</translation>
    </message>
    <message>
        <source>część raportu</source>
        <translation>part of a report</translation>
    </message>
    <message>
        <source>wiersz za krótki</source>
        <translation>line too short</translation>
    </message>
    <message>
        <source>polecenie</source>
        <translation>command</translation>
    </message>
    <message>
        <source> (formaty producentów: %1)</source>
        <translation> (makers&apos; formats: %1)</translation>
    </message>
    <message>
        <source>wysłano do wagi</source>
        <translation>sent to the scale</translation>
    </message>
    <message>
        <source>wpisano do okna „%1”</source>
        <translation>typed into the window “%1”</translation>
    </message>
    <message>
        <source>wpisano do nieznanego okna</source>
        <translation>typed into an unknown window</translation>
    </message>
    <message>
        <source>nie wpisano: wpisywanie wyłączone</source>
        <translation>not typed: typing is off</translation>
    </message>
    <message>
        <source>nie wpisano: aktywne było okno programu</source>
        <translation>not typed: the program&apos;s window was active</translation>
    </message>
    <message>
        <source>nie wpisano: brak dostępu do klawiatury</source>
        <translation>not typed: no access to the keyboard</translation>
    </message>
    <message>
        <source>zapisano do pliku</source>
        <translation>written to the file</translation>
    </message>
    <message>
        <source>błąd zapisu do pliku: %1</source>
        <translation>file write error: %1</translation>
    </message>
</context>
<context>
    <name>ArrivalMonitor</name>
    <message>
        <source>Zapisz odebrane wiersze</source>
        <translation>Save the received lines</translation>
    </message>
    <message>
        <source>Pliki tekstowe (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>Wstrzymaj</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Nowe wiersze nie trafiają do tabeli; dziennik zapisuje je nadal</source>
        <translation>New lines do not enter the table; the log still records them</translation>
    </message>
    <message>
        <source>Wyczyść</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Kopiuj</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Kopiuje zaznaczone wiersze do schowka</source>
        <translation>Copies the selected lines to the clipboard</translation>
    </message>
    <message>
        <source>Zapisz wszystko...</source>
        <translation>Save all...</translation>
    </message>
    <message>
        <source>Nie można zapisać pliku %1: %2</source>
        <translation>Cannot save the file %1: %2</translation>
    </message>
    <message>
        <source>Błąd</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Podgląd danych z wagi</source>
        <translation>Data from the scale</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>nieoczekiwany argument „%1”</source>
        <translation>unexpected argument &apos;%1&apos;</translation>
    </message>
    <message>
        <source>opcja „%1” wymaga wartości</source>
        <translation>option &apos;%1&apos; needs a value</translation>
    </message>
    <message>
        <source>nieznana opcja „%1”</source>
        <translation>unknown option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>%1: %2
Opis opcji: %1 --help
</source>
        <translation>%1: %2
See: %1 --help
</translation>
    </message>
    <message>
        <source>nieznane polecenie „%1” (znane: tare, zero, print, special)</source>
        <translation>unknown command &apos;%1&apos; (known: tare, zero, print, special)</translation>
    </message>
    <message>
        <source>Użycie: %1 [opcje]
       %1 --command tare|zero|print|special

Kwelta odczytuje wyniki ważenia z wagi i wpisuje je w aktywne okno lub dopisuje do pliku.

Opcje:
  -h, --help     wyświetla ten opis i kończy działanie
  -v, --version  wyświetla wersję i kończy działanie
  --command POLECENIE
                 przekazuje polecenie dla wagi (tare: tarowanie, zero: zerowanie,
                 print: wydruk, special: polecenie specjalne) działającej kopii
                 programu, która wysyła je jak swój przycisk; kończy się kodem 0,
                 gdy polecenie zostało wysłane

Przyjmowane są też opcje biblioteki Qt, np. -platform i -style.
</source>
        <translation>Usage: %1 [options]
       %1 --command tare|zero|print|special

Kwelta reads weighing results from a scale and types them into the focused window or appends them to a file.

Options:
  -h, --help     show this description and exit
  -v, --version  show the version and exit
  --command COMMAND
                 hand a scale command (tare, zero, print, special: the special
                 command) to the running copy of the program, which sends it as
                 its button does; ends with status 0 once the command was sent

Qt&apos;s own options, such as -platform and -style, are accepted too.
</translation>
    </message>
    <message>
        <source>nie działa żadna kopia programu, która przyjęłaby polecenie</source>
        <translation>no running copy of the program to take the command</translation>
    </message>
    <message>
        <source>połączenie z wagą jest zamknięte, polecenie nie zostało wysłane</source>
        <translation>the link to the scale is closed; the command was not sent</translation>
    </message>
    <message>
        <source>program nie wysłał polecenia (trwa odczyt cykliczny albo edycja polecenia specjalnego)</source>
        <translation>the program did not send the command (the cyclic reading runs, or the special command is being edited)</translation>
    </message>
</context>
<context>
    <name>CommunicationPanel</name>
    <message>
        <source>Podłączenie wagi:</source>
        <translation>Scale connection:</translation>
    </message>
    <message>
        <source>Port szeregowy</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source> Ustawienia portu szeregowego: </source>
        <translation> Serial port settings: </translation>
    </message>
    <message>
        <source>Port COM</source>
        <translation>COM port</translation>
    </message>
    <message>
        <source>Prędkość</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source> Ustawienia połączenia ethernetowego: </source>
        <translation> Ethernet connection settings: </translation>
    </message>
    <message>
        <source>Adres IP:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Protokół</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <source> Opcje programu: </source>
        <translation> Program options: </translation>
    </message>
    <message>
        <source>Otwórz port przy starcie</source>
        <translation>Open the port at start-up</translation>
    </message>
    <message>
        <source>Uruchamiaj przy logowaniu</source>
        <translation>Start when I log in</translation>
    </message>
    <message>
        <source>Uruchamiaj zminimalizowany</source>
        <translation>Start minimised</translation>
    </message>
    <message>
        <source>Tylko jedna kopia programu</source>
        <translation>Only one copy of the program</translation>
    </message>
    <message>
        <source>Freiwählbar</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>Wykryj</source>
        <translation>Detect</translation>
    </message>
    <message>
        <source>Port-Öffnen</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>Zamknij port</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>Otwórz port</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>Zamknięty port COM.</source>
        <translation>COM port closed.</translation>
    </message>
    <message>
        <source>Otwarty port COM.</source>
        <translation>COM port open.</translation>
    </message>
    <message>
        <source>Brak połączenia. Sprawdź ustawienia.</source>
        <translation>No connection. Check the settings.</translation>
    </message>
    <message>
        <source>(brak urządzenia)</source>
        <translation>(no device)</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Bity danych, parzystość i bity stopu, jak w instrukcji wagi (np. 8N1, 7E1)</source>
        <translation>Data bits, parity and stop bits, as the scale&apos;s manual writes them (e.g. 8N1, 7E1)</translation>
    </message>
    <message>
        <source>Sterowanie przepływem</source>
        <translation>Flow control</translation>
    </message>
</context>
<context>
    <name>Delivery</name>
    <message>
        <source>to nie jest zwykły plik</source>
        <translation>it is not a regular file</translation>
    </message>
</context>
<context>
    <name>EthLinkStatus</name>
    <message>
        <source>Nie można otworzyć lokalnego portu UDP %1: %2</source>
        <translation>Cannot open local UDP port %1: %2</translation>
    </message>
    <message>
        <source>Rozłączanie...</source>
        <translation>Disconnecting...</translation>
    </message>
    <message>
        <source>Łączenie...</source>
        <translation>Connecting...</translation>
    </message>
    <message>
        <source>Rozłączono</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>Połączono</source>
        <translation>Connected</translation>
    </message>
</context>
<context>
    <name>FormatOptionsPanel</name>
    <message>
        <source>Czytaj z wagi:</source>
        <translation>Read from scale:</translation>
    </message>
    <message>
        <source>wskazanie</source>
        <translation>display</translation>
    </message>
    <message>
        <source>cały raport</source>
        <translation>whole report</translation>
    </message>
    <message>
        <source>rozpoznaj</source>
        <translation>recognise</translation>
    </message>
    <message>
        <source>Opcje zaawansowane</source>
        <translation>Advanced options</translation>
    </message>
    <message>
        <source>Ustaw format wyniku:</source>
        <translation>Set result format:</translation>
    </message>
    <message>
        <source>Domyślne</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source> Przesylaj pola: </source>
        <translation> Send fields: </translation>
    </message>
    <message>
        <source>numer pomiaru</source>
        <translation>reading number</translation>
    </message>
    <message>
        <source>data</source>
        <translation>date</translation>
    </message>
    <message>
        <source>czas</source>
        <translation>time</translation>
    </message>
    <message>
        <source>wartość</source>
        <translation>value</translation>
    </message>
    <message>
        <source>jednostka</source>
        <translation>unit</translation>
    </message>
    <message>
        <source>suma</source>
        <translation>sum</translation>
    </message>
    <message>
        <source>średnia</source>
        <translation>average</translation>
    </message>
    <message>
        <source> Między polami wstaw: </source>
        <translation> Between fields insert: </translation>
    </message>
    <message>
        <source>nic</source>
        <translation>none</translation>
    </message>
    <message>
        <source>średnik</source>
        <translation>&apos;;&apos;</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>Enter</translation>
    </message>
    <message>
        <source> Na koncu wstaw: </source>
        <translation> At the end insert: </translation>
    </message>
    <message>
        <source> Opcje dla raportu wysyłanego z wagi: </source>
        <translation> Options for a report sent by the scale: </translation>
    </message>
    <message>
        <source>Wytnij ramkę skanera</source>
        <translation>Remove scanner frame</translation>
    </message>
    <message>
        <source>Dodaj datę i czas przed raportem</source>
        <translation>Add date and time before the report</translation>
    </message>
    <message>
        <source>Połącz dane z odstępami do</source>
        <translation>Join data with gaps up to</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source> Jako separator dziesiętny wstaw: </source>
        <translation> Decimal separator to insert: </translation>
    </message>
    <message>
        <source>znak określony w ustawieniach Windows</source>
        <translation>the character the system settings give</translation>
    </message>
    <message>
        <source>przecinek &apos;,&apos;</source>
        <translation>comma &apos;,&apos;</translation>
    </message>
    <message>
        <source>kropka &apos;.&apos;</source>
        <translation>full stop &apos;.&apos;</translation>
    </message>
    <message>
        <source>Skrypt przetwarzania danych</source>
        <translation>Data processing script</translation>
    </message>
    <message>
        <source>Powiększ lub zmniejsz pole skryptu</source>
        <translation>Enlarge or shrink the script box</translation>
    </message>
    <message>
        <source>Wstaw skrypt utworzony z wybranych pól</source>
        <translation>Insert the script made from the selected fields</translation>
    </message>
    <message>
        <source>Pomoc do tworzenia skryptu</source>
        <translation>Help on writing a script</translation>
    </message>
    <message>
        <source>Czy chcesz zastąpic aktualny skrypt?</source>
        <translation>Do you want to replace the current script?</translation>
    </message>
    <message>
        <source>Uwaga</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Do wykorzystania możliwe są następujące opcje:<byte value="xd"/>
:m - wartosc masy,<byte value="xd"/>
:u - jednostka (g, kg),<byte value="xd"/>
:t - czas pomiaru,<byte value="xd"/>
:c - numer pomiaru/ilosc pomiarow,<byte value="xd"/>
:s - suma pomiarow,<byte value="xd"/>
:a - srednia z pomiarow,<byte value="xd"/>
<byte value="xd"/>
:#xx - dwucyfrowy znak ASCII w kodzie szestnastkowym,<byte value="xd"/>
       np. :#0D - ENTER, :#09 - znak tabulacji.<byte value="xd"/>
Aby wyzerowac wartosci numeru pomiaru, sumy i sredniej<byte value="xd"/>
nalezy użyc przycisku Czysc w zakladce Statystyki.</source>
        <translation>The following options can be used:<byte value="xd"/>
:m - weight value,<byte value="xd"/>
:u - unit (g, kg),<byte value="xd"/>
:t - time of the reading,<byte value="xd"/>
:c - reading number/number of readings,<byte value="xd"/>
:s - sum of the readings,<byte value="xd"/>
:a - average of the readings,<byte value="xd"/>
<byte value="xd"/>
:#xx - ASCII character as two hexadecimal digits,<byte value="xd"/>
       e.g. :#0D - ENTER, :#09 - tab character.<byte value="xd"/>
To reset the reading number, the sum and the average,<byte value="xd"/>
use the Clear button on the Statistics page.</translation>
    </message>
    <message>
        <source>Tworzenie skryptu</source>
        <translation>Writing a script</translation>
    </message>
    <message>
        <source>Rozpoznawaj formaty wag różnych producentów</source>
        <translation>Recognise the formats of common scale makers</translation>
    </message>
    <message>
        <source>Co zostanie wpisane po odczycie wyniku z wagi</source>
        <translation>What will be typed when the scale sends a result</translation>
    </message>
    <message>
        <source>Podgląd:</source>
        <translation>Preview:</translation>
    </message>
    <message>
        <source>(nic)</source>
        <translation>(nothing)</translation>
    </message>
</context>
<context>
    <name>HotKeyEdit</name>
    <message>
        <source>Ten klawisz jest zajęty przez inny program.</source>
        <translation>This key is taken by another program.</translation>
    </message>
</context>
<context>
    <name>LanguageModule</name>
    <message>
        <source>Polski</source>
        <extracomment>The name of this module&apos;s language, in that language: &quot;English&quot; in the English module.</extracomment>
        <translation>English</translation>
    </message>
</context>
<context>
    <name>LineFormat</name>
    <message>
        <source>parzysta</source>
        <translation>even</translation>
    </message>
    <message>
        <source>nieparzysta</source>
        <translation>odd</translation>
    </message>
    <message>
        <source>brak</source>
        <comment>parity</comment>
        <translation>none</translation>
    </message>
    <message>
        <source>brak</source>
        <comment>flow control</comment>
        <translation>none</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;Statistik</source>
        <translation>&amp;Statistics</translation>
    </message>
    <message>
        <source>&amp;Kommunikation</source>
        <translation>&amp;Communication</translation>
    </message>
    <message>
        <source>&amp;Format</source>
        <translation>&amp;Format</translation>
    </message>
    <message>
        <source>Über Kwelta</source>
        <translation>About</translation>
    </message>
    <message>
        <source>&amp;Opcje</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>&amp;Hilfe</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Program Kwelta służy do automatycznego 
wpisywania wartości ważeń do programów
działających w systemie Windows. Aby wpisać
ważenia do dowolnego programu należy:

1. Uruchomić program, który automatycznie 
    wykryje i ustawi parametry komunikacji
2. Włączyć program, do którego wartości 
    będą wklejane i ustawić kursor w miejscu 
    pierwszego wpisu
3. Naciskając Print na wadze dokonywać 
    zapisów</source>
        <translation>Kwelta types weighing results automatically
into programs running on the Linux desktop.
To enter weighings into any program:

1. Start Kwelta, which detects and sets up
    the communication parameters itself
2. Start the program that is to receive the
    values and put the cursor where the
    first value goes
3. Press Print on the scale to enter
    each weighing</translation>
    </message>
    <message>
        <source>Kommunikation:</source>
        <translation>Communication:</translation>
    </message>
    <message>
        <source>Port - geschlossen</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>Błąd zapisu do pliku.</source>
        <translation>Error writing to the file.</translation>
    </message>
    <message>
        <source>Błąd</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Po&amp;dgląd</source>
        <translation>&amp;Monitor</translation>
    </message>
</context>
<context>
    <name>OutputPreview</name>
    <message>
        <source>Backspace</source>
        <translation>Backspace</translation>
    </message>
    <message>
        <source>Spacja</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>błąd: wartości nie da się zapisać tą maską, wynik zostanie pominięty</source>
        <translation>error: this mask cannot write the value, the result will be skipped</translation>
    </message>
</context>
<context>
    <name>PortError</name>
    <message>
        <source>Port nie istnieje lub jest zajęty przez inny program.<byte value="xd"/>Zamknij wszystkie programy i spróbuj jeszcze raz.<byte value="xd"/></source>
        <translation>The port does not exist or is in use by another program.<byte value="xd"/>Close all other programs and try again.<byte value="xd"/></translation>
    </message>
    <message>
        <source>Błąd. Jeśli problem będzie się powtarzał, skontaktuj się z dostawcą systemu.</source>
        <translation>Error. If the problem persists, contact your system supplier.</translation>
    </message>
    <message>
        <source>Write has blocked, and user abort write</source>
        <translation>Writing was blocked and has been aborted.</translation>
    </message>
    <message>
        <source>Write timeout has happened</source>
        <translation>Writing timed out.</translation>
    </message>
    <message>
        <source>Nieznany błąd: </source>
        <translation>Unknown error: </translation>
    </message>
    <message>
        <source>Nie wybrano prędkości transmisji. Wybierz ją w ustawieniach portu.</source>
        <translation>No baud rate has been chosen. Choose one in the port settings.</translation>
    </message>
    <message>
        <source>Niepowodzenie</source>
        <translation>Failure</translation>
    </message>
    <message>
        <source>Nie znaleziono żadnego portu szeregowego.</source>
        <translation>No serial port was found.</translation>
    </message>
    <message>
        <source>Porty szeregowe w systemie:</source>
        <translation>Serial ports on this computer:</translation>
    </message>
    <message>
        <source>Nie podano numeru portu.</source>
        <translation>No port number was given.</translation>
    </message>
    <message>
        <source>Port %1 nie odpowiada żadnemu urządzeniu.</source>
        <translation>Port %1 stands for no device.</translation>
    </message>
    <message>
        <source>Port %1 to urządzenie %2, którego nie ma (odłączone?).</source>
        <translation>Port %1 is the device %2, which is not there (unplugged?).</translation>
    </message>
    <message>
        <source>Brak uprawnień do otwarcia portu %1 (%2).</source>
        <translation>You may not open port %1 (%2).</translation>
    </message>
    <message>
        <source>Urządzenie należy do grupy %1. Dodaj do niej swoje konto poleceniem:</source>
        <translation>The device belongs to the group %1. Add your account to it with the command:</translation>
    </message>
    <message>
        <source>i zaloguj się ponownie: nowa grupa działa od następnego logowania.</source>
        <translation>and log in again: the new group takes effect from the next login.</translation>
    </message>
    <message>
        <source>Port trzyma: %1</source>
        <translation>Held by: %1</translation>
    </message>
</context>
<context>
    <name>PortSearchDialog</name>
    <message>
        <source>Autokonfiguracja portu</source>
        <translation>Port auto-configuration</translation>
    </message>
    <message>
        <source>Port nr:</source>
        <translation>Port no.:</translation>
    </message>
    <message>
        <source>Prędkość:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>Nr. próby:</source>
        <translation>Attempt no.:</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Max nr portu:</source>
        <translation>Highest port no.:</translation>
    </message>
    <message>
        <source>&amp;Ponów</source>
        <translation>&amp;Retry</translation>
    </message>
    <message>
        <source>&amp;Zamknij</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Trwa szukanie ustawień...</source>
        <translation>Searching for the settings...</translation>
    </message>
    <message>
        <source>Port skonfigurowany</source>
        <translation>Port configured</translation>
    </message>
    <message>
        <source>Brak komunikacji</source>
        <translation>No communication</translation>
    </message>
    <message>
        <source>%1: brak urządzenia</source>
        <translation>%1: no device</translation>
    </message>
    <message>
        <source>%1: brak uprawnień do otwarcia portu</source>
        <translation>%1: no permission to open the port</translation>
    </message>
    <message>
        <source>%1: brak uprawnień do otwarcia portu. Urządzenie należy do grupy %2; dodaj do niej swoje konto poleceniem:</source>
        <translation>%1: no permission to open the port. The device belongs to the group %2; add your account to it with the command:</translation>
    </message>
    <message>
        <source>i zaloguj się ponownie: nowa grupa działa od następnego logowania.</source>
        <translation>and log in again: the new group takes effect from the next login.</translation>
    </message>
    <message>
        <source>%1: zajęty przez inny program</source>
        <translation>%1: in use by another program</translation>
    </message>
    <message>
        <source>%1: zajęty przez inny program: %2</source>
        <translation>%1: in use by another program: %2</translation>
    </message>
    <message>
        <source>%1: nie daje się otworzyć. %2</source>
        <translation>%1: cannot be opened. %2</translation>
    </message>
    <message>
        <source>%1: brak odpowiedzi przy żadnej prędkości</source>
        <translation>%1: no answer at any speed</translation>
    </message>
    <message>
        <source>%1: odpowiada, ale nie wynikiem ważenia (%2): %3</source>
        <translation>%1: answers, but not with a weighing result (%2): %3</translation>
    </message>
    <message>
        <source>Tę odpowiedź odczyta opcja „Rozpoznawaj formaty wag różnych producentów” w opcjach formatu.</source>
        <translation>The option “Recognise the formats of common scale makers” in the format options reads this answer.</translation>
    </message>
</context>
<context>
    <name>ProgramOptionsPanel</name>
    <message>
        <source>Automatyczny odczyt co</source>
        <translation>Read automatically every</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>h</source>
        <translation>h</translation>
    </message>
    <message>
        <source>tylko wyniki stabilne</source>
        <translation>stable results only</translation>
    </message>
    <message>
        <source>Jednorazowo odczytuj do</source>
        <translation>Read at most</translation>
    </message>
    <message>
        <source>bajtów</source>
        <translation>bytes at a time</translation>
    </message>
    <message>
        <source>Wysyłanie danych do:</source>
        <translation>Send data to:</translation>
    </message>
    <message>
        <source>wskazanego miejsca na ekranie</source>
        <translation>the cursor position on the screen</translation>
    </message>
    <message>
        <source>wybranego pliku</source>
        <translation>the chosen file</translation>
    </message>
    <message>
        <source> Wybór pliku do zapisu danych: </source>
        <translation> File to save data to: </translation>
    </message>
    <message>
        <source>Wybierz plik do zapisu</source>
        <translation>Choose the file to save to</translation>
    </message>
    <message>
        <source>Nie wybrano pliku</source>
        <translation>No file chosen</translation>
    </message>
    <message>
        <source> Klawisze wagi i skróty </source>
        <translation> Scale keys and shortcuts </translation>
    </message>
    <message>
        <source>Specjalny</source>
        <translation>Special</translation>
    </message>
    <message>
        <source>skrót</source>
        <translation>shortcut</translation>
    </message>
    <message>
        <source>Skrót klawiszowy działający w każdym programie</source>
        <translation>Keyboard shortcut that works in every program</translation>
    </message>
    <message>
        <source>Tara</source>
        <translation>Tare</translation>
    </message>
    <message>
        <source>Zero</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>Drukuj</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Pliki tekstowe (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>Pliki z separatorami pól (*.csv)</source>
        <translation>Delimited files (*.csv)</translation>
    </message>
    <message>
        <source>Wszystkie pliki (*)</source>
        <translation>All files (*)</translation>
    </message>
</context>
<context>
    <name>ScaleHotKeys</name>
    <message>
        <source>Kwelta: %1</source>
        <translation>Kwelta: %1</translation>
    </message>
    <message>
        <source>Ta sesja pulpitu nie pozwala programom na własne skróty globalne. Przypisz klawisz poleceniu „kwelta --command %1” w ustawieniach skrótów pulpitu.</source>
        <translation>This desktop session lets no program have global shortcuts of its own. Bind a key to the command “kwelta --command %1” in the desktop&apos;s shortcut settings.</translation>
    </message>
</context>
<context>
    <name>ScriptFile</name>
    <message>
        <source>nie zapisano całości (brak miejsca na dysku?)</source>
        <translation>not all of it was written (is the disk full?)</translation>
    </message>
</context>
<context>
    <name>SettingsKeeper</name>
    <message>
        <source>Nie można odczytać pliku ustawień %1.</source>
        <translation>Cannot read the settings file %1.</translation>
    </message>
    <message>
        <source>Brak ustawienia „%1” w pliku %2 lub jego wartość jest nieprawidłowa.</source>
        <translation>The setting “%1” is missing from the file %2, or its value is invalid.</translation>
    </message>
    <message>
        <source>Dotychczasowy plik zachowano jako %1.</source>
        <translation>The previous file has been kept as %1.</translation>
    </message>
    <message>
        <source>Dotychczasowego pliku nie można było zachować.</source>
        <translation>The previous file could not be kept.</translation>
    </message>
    <message>
        <source>Używane są ustawienia domyślne.</source>
        <translation>The default settings are being used.</translation>
    </message>
    <message>
        <source>Ustawienia</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Nie można zapisać ustawień w pliku %1: %2</source>
        <translation>Cannot save the settings to the file %1: %2</translation>
    </message>
    <message>
        <source>Nie można zapisać skryptu w pliku %1: %2</source>
        <translation>Cannot save the script to the file %1: %2</translation>
    </message>
    <message>
        <source>Błąd</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>nie można utworzyć folderu %1</source>
        <translation>cannot create the folder %1</translation>
    </message>
    <message>
        <source>błąd zapisu pliku %1</source>
        <translation>error writing the file %1</translation>
    </message>
    <message>
        <source>nie zapisano całości (brak miejsca na dysku?)</source>
        <translation>not all of it was written (is the disk full?)</translation>
    </message>
</context>
<context>
    <name>StatisticsPanel</name>
    <message>
        <source>Letzter Wert</source>
        <translation>Last value</translation>
    </message>
    <message>
        <source>Statistik</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>Wert:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>Zeit:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Anzahl:</source>
        <translation>Count:</translation>
    </message>
    <message>
        <source>Summe:</source>
        <translation>Sum:</translation>
    </message>
    <message>
        <source>Mittelwert:</source>
        <translation>Average:</translation>
    </message>
    <message>
        <source>Czekam na wyniki z wagi</source>
        <translation>Waiting for results from the scale</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>Tara</source>
        <translation>Tare</translation>
    </message>
    <message>
        <source>Zero</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>Drukuj</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Zakończ</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Ukryj</source>
        <translation>Hide</translation>
    </message>
    <message>
        <source>Pokaż</source>
        <translation>Show</translation>
    </message>
</context>
<context>
    <name>TypingStatus</name>
    <message>
        <source>Wpisywanie wyłączone: pulpit nie zezwolił na nie.</source>
        <translation>Typing off: the desktop did not allow it.</translation>
    </message>
    <message>
        <source>Wpisywanie wyłączone: pulpit cofnął zezwolenie.</source>
        <translation>Typing off: the desktop withdrew its permission.</translation>
    </message>
    <message>
        <source>Wpisywanie wyłączone: błąd portalu pulpitu.</source>
        <translation>Typing off: the desktop portal failed.</translation>
    </message>
    <message>
        <source>Wyniki są nadal liczone i zapisywane do pliku.</source>
        <translation>Results are still counted and written to the file.</translation>
    </message>
    <message>
        <source>Zapytaj ponownie</source>
        <translation>Ask again</translation>
    </message>
</context>
</TS>
