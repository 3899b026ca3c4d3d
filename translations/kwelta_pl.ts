<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL" sourcelanguage="pl_PL">
<context>
    <name>AboutPanel</name>
    <message>
        <source>Wersja %1</source>
        <translation>Wersja %1</translation>
    </message>
    <message>
        <source>Wyniki są wpisywane tylko do programów X11.</source>
        <translation>Wyniki są wpisywane tylko do programów X11.</translation>
    </message>
    <message>
        <source>Wyniki nie są tu wpisywane, tylko zapisywane do pliku.</source>
        <translation>Wyniki nie są tu wpisywane, tylko zapisywane do pliku.</translation>
    </message>
    <message>
        <source>Dokumentacja: &lt;a href=&quot;%1&quot;&gt;%2&lt;/a&gt;</source>
        <translation>Dokumentacja: &lt;a href=&quot;%1&quot;&gt;%2&lt;/a&gt;</translation>
    </message>
</context>
<context>
    <name>ArrivalLog</name>
    <message>
        <source>Czas</source>
        <translation>Czas</translation>
    </message>
    <message>
        <source>Łącze</source>
        <translation>Łącze</translation>
    </message>
    <message>
        <source>Odebrany tekst</source>
        <translation>Odebrany tekst</translation>
    </message>
    <message>
        <source>Co z niego powstało</source>
        <translation>Co z niego powstało</translation>
    </message>
    <message>
        <source>Co zrobiono</source>
        <translation>Co zrobiono</translation>
    </message>
    <message>
        <source>nagłówek stanu</source>
        <translation>nagłówek stanu</translation>
    </message>
    <message>
        <source>nagłówek brutto/netto</source>
        <translation>nagłówek brutto/netto</translation>
    </message>
    <message>
        <source>litera stanu</source>
        <translation>litera stanu</translation>
    </message>
    <message>
        <source>liczba ze znakiem</source>
        <translation>liczba ze znakiem</translation>
    </message>
    <message>
        <source>wiersz stanu</source>
        <translation>wiersz stanu</translation>
    </message>
    <message>
        <source>waga %1</source>
        <translation>waga %1</translation>
    </message>
    <message>
        <source>waga niestabilna, pominięta</source>
        <translation>waga niestabilna, pominięta</translation>
    </message>
    <message>
        <source>wiersz stanu, bez wagi</source>
        <translation>wiersz stanu, bez wagi</translation>
    </message>
    <message>
        <source>nie jest wierszem ważenia</source>
        <translation>nie jest wierszem ważenia</translation>
    </message>
    <message>
        <source>część raportu</source>
        <translation>część raportu</translation>
    </message>
    <message>
        <source>wiersz za krótki</source>
        <translation>wiersz za krótki</translation>
    </message>
    <message>
        <source>polecenie</source>
        <translation>polecenie</translation>
    </message>
    <message>
        <source> (formaty producentów: %1)</source>
        <translation> (formaty producentów: %1)</translation>
    </message>
    <message>
        <source>wysłano do wagi</source>
        <translation>wysłano do wagi</translation>
    </message>
    <message>
        <source>wpisano do okna „%1”</source>
        <translation>wpisano do okna „%1”</translation>
    </message>
    <message>
        <source>wpisano do nieznanego okna</source>
        <translation>wpisano do nieznanego okna</translation>
    </message>
    <message>
        <source>nie wpisano: wpisywanie wyłączone</source>
        <translation>nie wpisano: wpisywanie wyłączone</translation>
    </message>
    <message>
        <source>nie wpisano: aktywne było okno programu</source>
        <translation>nie wpisano: aktywne było okno programu</translation>
    </message>
    <message>
        <source>nie wpisano: brak dostępu do klawiatury</source>
        <translation>nie wpisano: brak dostępu do klawiatury</translation>
    </message>
    <message>
        <source>zapisano do pliku</source>
        <translation>zapisano do pliku</translation>
    </message>
    <message>
        <source>błąd zapisu do pliku: %1</source>
        <translation>błąd zapisu do pliku: %1</translation>
    </message>
</context>
<context>
    <name>ArrivalMonitor</name>
    <message>
        <source>Zapisz odebrane wiersze</source>
        <translation>Zapisz odebrane wiersze</translation>
    </message>
    <message>
        <source>Pliki tekstowe (*.txt)</source>
        <translation>Pliki tekstowe (*.txt)</translation>
    </message>
    <message>
        <source>Wstrzymaj</source>
        <translation>Wstrzymaj</translation>
    </message>
    <message>
        <source>Nowe wiersze nie trafiają do tabeli; dziennik zapisuje je nadal</source>
        <translation>Nowe wiersze nie trafiają do tabeli; dziennik zapisuje je nadal</translation>
    </message>
    <message>
        <source>Wyczyść</source>
        <translation>Wyczyść</translation>
    </message>
    <message>
        <source>Kopiuj</source>
        <translation>Kopiuj</translation>
    </message>
    <message>
        <source>Kopiuje zaznaczone wiersze do schowka</source>
        <translation>Kopiuje zaznaczone wiersze do schowka</translation>
    </message>
    <message>
        <source>Zapisz wszystko...</source>
        <translation>Zapisz wszystko...</translation>
    </message>
    <message>
        <source>Nie można zapisać pliku %1: %2</source>
        <translation>Nie można zapisać pliku %1: %2</translation>
    </message>
    <message>
        <source>Błąd</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Podgląd danych z wagi</source>
        <translation>Podgląd danych z wagi</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>nieoczekiwany argument „%1”</source>
        <translation>nieoczekiwany argument „%1”</translation>
    </message>
    <message>
        <source>opcja „%1” wymaga wartości</source>
        <translation>opcja „%1” wymaga wartości</translation>
    </message>
    <message>
        <source>nieznana opcja „%1”</source>
        <translation>nieznana opcja „%1”</translation>
    </message>
    <message>
        <source>%1: %2
Opis opcji: %1 --help
</source>
        <translation>%1: %2
Opis opcji: %1 --help
</translation>
    </message>
    <message>
        <source>nieznane polecenie „%1” (znane: tare, zero, print, special)</source>
        <translation>nieznane polecenie „%1” (znane: tare, zero, print, special)</translation>
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
        <translation>Użycie: %1 [opcje]
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
</translation>
    </message>
    <message>
        <source>nie działa żadna kopia programu, która przyjęłaby polecenie</source>
        <translation>nie działa żadna kopia programu, która przyjęłaby polecenie</translation>
    </message>
    <message>
        <source>połączenie z wagą jest zamknięte, polecenie nie zostało wysłane</source>
        <translation>połączenie z wagą jest zamknięte, polecenie nie zostało wysłane</translation>
    </message>
    <message>
        <source>program nie wysłał polecenia (trwa odczyt cykliczny albo edycja polecenia specjalnego)</source>
        <translation>program nie wysłał polecenia (trwa odczyt cykliczny albo edycja polecenia specjalnego)</translation>
    </message>
</context>
<context>
    <name>CommunicationPanel</name>
    <message>
        <source>Podłączenie wagi:</source>
        <translation>Podłączenie wagi:</translation>
    </message>
    <message>
        <source>Port szeregowy</source>
        <translation>Port szeregowy</translation>
    </message>
    <message>
        <source> Ustawienia portu szeregowego: </source>
        <translation> Ustawienia portu szeregowego: </translation>
    </message>
    <message>
        <source>Port COM</source>
        <translation>Port COM</translation>
    </message>
    <message>
        <source>Prędkość</source>
        <translation>Prędkość</translation>
    </message>
    <message>
        <source> Ustawienia połączenia ethernetowego: </source>
        <translation> Ustawienia połączenia ethernetowego: </translation>
    </message>
    <message>
        <source>Adres IP:</source>
        <translation>Adres IP:</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Protokół</source>
        <translation>Protokół</translation>
    </message>
    <message>
        <source> Opcje programu: </source>
        <translation> Opcje programu: </translation>
    </message>
    <message>
        <source>Otwórz port przy starcie</source>
        <translation>Otwórz port przy starcie</translation>
    </message>
    <message>
        <source>Uruchamiaj przy logowaniu</source>
        <translation>Uruchamiaj przy logowaniu</translation>
    </message>
    <message>
        <source>Uruchamiaj zminimalizowany</source>
        <translation>Uruchamiaj zminimalizowany</translation>
    </message>
    <message>
        <source>Tylko jedna kopia programu</source>
        <translation>Tylko jedna kopia programu</translation>
    </message>
    <message>
        <source>Freiwählbar</source>
        <translation>Domyślne</translation>
    </message>
    <message>
        <source>Wykryj</source>
        <translation>Wykryj</translation>
    </message>
    <message>
        <source>Port-Öffnen</source>
        <translation>Otwórz port</translation>
    </message>
    <message>
        <source>Zamknij port</source>
        <translation>Zamknij port</translation>
    </message>
    <message>
        <source>Otwórz port</source>
        <translation>Otwórz port</translation>
    </message>
    <message>
        <source>Zamknięty port COM.</source>
        <translation>Zamknięty port COM.</translation>
    </message>
    <message>
        <source>Otwarty port COM.</source>
        <translation>Otwarty port COM.</translation>
    </message>
    <message>
        <source>Brak połączenia. Sprawdź ustawienia.</source>
        <translation>Brak połączenia. Sprawdź ustawienia.</translation>
    </message>
    <message>
        <source>(brak urządzenia)</source>
        <translation>(brak urządzenia)</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Bity danych, parzystość i bity stopu, jak w instrukcji wagi (np. 8N1, 7E1)</source>
        <translation>Bity danych, parzystość i bity stopu, jak w instrukcji wagi (np. 8N1, 7E1)</translation>
    </message>
    <message>
        <source>Sterowanie przepływem</source>
        <translation>Sterowanie przepływem</translation>
    </message>
</context>
<context>
    <name>Delivery</name>
    <message>
        <source>to nie jest zwykły plik</source>
        <translation>to nie jest zwykły plik</translation>
    </message>
</context>
<context>
    <name>EthLinkStatus</name>
    <message>
        <source>Nie można otworzyć lokalnego portu UDP %1: %2</source>
        <translation>Nie można otworzyć lokalnego portu UDP %1: %2</translation>
    </message>
    <message>
        <source>Rozłączanie...</source>
        <translation>Rozłączanie...</translation>
    </message>
    <message>
        <source>Łączenie...</source>
        <translation>Łączenie...</translation>
    </message>
    <message>
        <source>Rozłączono</source>
        <translation>Rozłączono</translation>
    </message>
    <message>
        <source>Połączono</source>
        <translation>Połączono</translation>
    </message>
</context>
<context>
    <name>FormatOptionsPanel</name>
    <message>
        <source>Czytaj z wagi:</source>
        <translation>Czytaj z wagi:</translation>
    </message>
    <message>
        <source>wskazanie</source>
        <translation>wskazanie</translation>
    </message>
    <message>
        <source>cały raport</source>
        <translation>cały raport</translation>
    </message>
    <message>
        <source>rozpoznaj</source>
        <translation>rozpoznaj</translation>
    </message>
    <message>
        <source>Opcje zaawansowane</source>
        <translation>Opcje zaawansowane</translation>
    </message>
    <message>
        <source>Ustaw format wyniku:</source>
        <translation>Ustaw format wyniku:</translation>
    </message>
    <message>
        <source>Domyślne</source>
        <translation>Domyślne</translation>
    </message>
    <message>
        <source> Przesylaj pola: </source>
        <translation> Przesyłaj pola: </translation>
    </message>
    <message>
        <source>numer pomiaru</source>
        <translation>numer pomiaru</translation>
    </message>
    <message>
        <source>data</source>
        <translation>data</translation>
    </message>
    <message>
        <source>czas</source>
        <translation>czas</translation>
    </message>
    <message>
        <source>wartość</source>
        <translation>wartość</translation>
    </message>
    <message>
        <source>jednostka</source>
        <translation>jednostka</translation>
    </message>
    <message>
        <source>suma</source>
        <translation>suma</translation>
    </message>
    <message>
        <source>średnia</source>
        <translation>średnia</translation>
    </message>
    <message>
        <source> Między polami wstaw: </source>
        <translation> Między polami wstaw: </translation>
    </message>
    <message>
        <source>nic</source>
        <translation>nic</translation>
    </message>
    <message>
        <source>średnik</source>
        <translation>średnik</translation>
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
        <translation> Na końcu wstaw: </translation>
    </message>
    <message>
        <source> Opcje dla raportu wysyłanego z wagi: </source>
        <translation> Opcje dla raportu wysyłanego z wagi: </translation>
    </message>
    <message>
        <source>Wytnij ramkę skanera</source>
        <translation>Wytnij ramkę skanera</translation>
    </message>
    <message>
        <source>Dodaj datę i czas przed raportem</source>
        <translation>Dodaj datę i czas przed raportem</translation>
    </message>
    <message>
        <source>Połącz dane z odstępami do</source>
        <translation>Połącz dane z odstępami do</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source> Jako separator dziesiętny wstaw: </source>
        <translation> Jako separator dziesiętny wstaw: </translation>
    </message>
    <message>
        <source>znak określony w ustawieniach Windows</source>
        <translation>znak określony w ustawieniach systemu</translation>
    </message>
    <message>
        <source>przecinek &apos;,&apos;</source>
        <translation>przecinek &apos;,&apos;</translation>
    </message>
    <message>
        <source>kropka &apos;.&apos;</source>
        <translation>kropka &apos;.&apos;</translation>
    </message>
    <message>
        <source>Skrypt przetwarzania danych</source>
        <translation>Skrypt przetwarzania danych</translation>
    </message>
    <message>
        <source>Powiększ lub zmniejsz pole skryptu</source>
        <translation>Powiększ lub zmniejsz pole skryptu</translation>
    </message>
    <message>
        <source>Wstaw skrypt utworzony z wybranych pól</source>
        <translation>Wstaw skrypt utworzony z wybranych pól</translation>
    </message>
    <message>
        <source>Pomoc do tworzenia skryptu</source>
        <translation>Pomoc do tworzenia skryptu</translation>
    </message>
    <message>
        <source>Czy chcesz zastąpic aktualny skrypt?</source>
        <translation>Czy chcesz zastąpić aktualny skrypt?</translation>
    </message>
    <message>
        <source>Uwaga</source>
        <translation>Uwaga</translation>
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
        <translation>Do wykorzystania możliwe są następujące opcje:<byte value="xd"/>
:m - wartość masy,<byte value="xd"/>
:u - jednostka (g, kg),<byte value="xd"/>
:t - czas pomiaru,<byte value="xd"/>
:c - numer pomiaru/ilość pomiarów,<byte value="xd"/>
:s - suma pomiarów,<byte value="xd"/>
:a - średnia z pomiarów,<byte value="xd"/>
<byte value="xd"/>
:#xx - dwucyfrowy znak ASCII w kodzie szesnastkowym,<byte value="xd"/>
       np. :#0D - ENTER, :#09 - znak tabulacji.<byte value="xd"/>
Aby wyzerować wartości numeru pomiaru, sumy i średniej,<byte value="xd"/>
należy użyć przycisku Wyczyść na stronie Statystyka.</translation>
    </message>
    <message>
        <source>Tworzenie skryptu</source>
        <translation>Tworzenie skryptu</translation>
    </message>
    <message>
        <source>Rozpoznawaj formaty wag różnych producentów</source>
        <translation>Rozpoznawaj formaty wag różnych producentów</translation>
    </message>
    <message>
        <source>Co zostanie wpisane po odczycie wyniku z wagi</source>
        <translation>Co zostanie wpisane po odczycie wyniku z wagi</translation>
    </message>
    <message>
        <source>Podgląd:</source>
        <translation>Podgląd:</translation>
    </message>
    <message>
        <source>(nic)</source>
        <translation>(nic)</translation>
    </message>
</context>
<context>
    <name>HotKeyEdit</name>
    <message>
        <source>Ten klawisz jest zajęty przez inny program.</source>
        <translation>Ten klawisz jest zajęty przez inny program.</translation>
    </message>
</context>
<context>
    <name>LanguageModule</name>
    <message>
        <source>Polski</source>
        <extracomment>The name of this module&apos;s language, in that language: &quot;English&quot; in the English module.</extracomment>
        <translation>Polski</translation>
    </message>
</context>
<context>
    <name>LineFormat</name>
    <message>
        <source>parzysta</source>
        <translation>parzysta</translation>
    </message>
    <message>
        <source>nieparzysta</source>
        <translation>nieparzysta</translation>
    </message>
    <message>
        <source>brak</source>
        <comment>parity</comment>
        <translation>brak</translation>
    </message>
    <message>
        <source>brak</source>
        <comment>flow control</comment>
        <translation>brak</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;Statistik</source>
        <translation>&amp;Statystyka</translation>
    </message>
    <message>
        <source>&amp;Kommunikation</source>
        <translation>&amp;Komunikacja</translation>
    </message>
    <message>
        <source>&amp;Format</source>
        <translation>&amp;Format</translation>
    </message>
    <message>
        <source>Über Kwelta</source>
        <translation>O programie</translation>
    </message>
    <message>
        <source>&amp;Opcje</source>
        <translation>&amp;Opcje</translation>
    </message>
    <message>
        <source>&amp;Hilfe</source>
        <translation>&amp;Pomoc</translation>
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
        <translation>Program Kwelta służy do automatycznego 
wpisywania wartości ważeń do programów
działających na pulpicie Linuksa. Aby wpisać
ważenia do dowolnego programu, należy:

1. Uruchomić program, który automatycznie 
    wykryje i ustawi parametry komunikacji
2. Włączyć program, do którego wartości 
    będą wklejane, i ustawić kursor w miejscu 
    pierwszego wpisu
3. Naciskając Print na wadze, dokonywać 
    zapisów</translation>
    </message>
    <message>
        <source>Kommunikation:</source>
        <translation>Komunikacja:</translation>
    </message>
    <message>
        <source>Port - geschlossen</source>
        <translation>Port zamknięty</translation>
    </message>
    <message>
        <source>Błąd zapisu do pliku.</source>
        <translation>Błąd zapisu do pliku.</translation>
    </message>
    <message>
        <source>Błąd</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Po&amp;dgląd</source>
        <translation>Po&amp;dgląd</translation>
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
        <translation>Spacja</translation>
    </message>
    <message>
        <source>błąd: wartości nie da się zapisać tą maską, wynik zostanie pominięty</source>
        <translation>błąd: wartości nie da się zapisać tą maską, wynik zostanie pominięty</translation>
    </message>
</context>
<context>
    <name>PortError</name>
    <message>
        <source>Port nie istnieje lub jest zajęty przez inny program.<byte value="xd"/>Zamknij wszystkie programy i spróbuj jeszcze raz.<byte value="xd"/></source>
        <translation>Port nie istnieje lub jest zajęty przez inny program.<byte value="xd"/>Zamknij wszystkie programy i spróbuj jeszcze raz.<byte value="xd"/></translation>
    </message>
    <message>
        <source>Błąd. Jeśli problem będzie się powtarzał, skontaktuj się z dostawcą systemu.</source>
        <translation>Błąd. Jeśli problem będzie się powtarzał, skontaktuj się z dostawcą systemu.</translation>
    </message>
    <message>
        <source>Write has blocked, and user abort write</source>
        <translation>Zapis został zablokowany i przerwany.</translation>
    </message>
    <message>
        <source>Write timeout has happened</source>
        <translation>Upłynął limit czasu zapisu.</translation>
    </message>
    <message>
        <source>Nieznany błąd: </source>
        <translation>Nieznany błąd: </translation>
    </message>
    <message>
        <source>Nie wybrano prędkości transmisji. Wybierz ją w ustawieniach portu.</source>
        <translation>Nie wybrano prędkości transmisji. Wybierz ją w ustawieniach portu.</translation>
    </message>
    <message>
        <source>Niepowodzenie</source>
        <translation>Niepowodzenie</translation>
    </message>
    <message>
        <source>Nie znaleziono żadnego portu szeregowego.</source>
        <translation>Nie znaleziono żadnego portu szeregowego.</translation>
    </message>
    <message>
        <source>Porty szeregowe w systemie:</source>
        <translation>Porty szeregowe w systemie:</translation>
    </message>
    <message>
        <source>Nie podano numeru portu.</source>
        <translation>Nie podano numeru portu.</translation>
    </message>
    <message>
        <source>Port %1 nie odpowiada żadnemu urządzeniu.</source>
        <translation>Port %1 nie odpowiada żadnemu urządzeniu.</translation>
    </message>
    <message>
        <source>Port %1 to urządzenie %2, którego nie ma (odłączone?).</source>
        <translation>Port %1 to urządzenie %2, którego nie ma (odłączone?).</translation>
    </message>
    <message>
        <source>Brak uprawnień do otwarcia portu %1 (%2).</source>
        <translation>Brak uprawnień do otwarcia portu %1 (%2).</translation>
    </message>
    <message>
        <source>Urządzenie należy do grupy %1. Dodaj do niej swoje konto poleceniem:</source>
        <translation>Urządzenie należy do grupy %1. Dodaj do niej swoje konto poleceniem:</translation>
    </message>
    <message>
        <source>i zaloguj się ponownie: nowa grupa działa od następnego logowania.</source>
        <translation>i zaloguj się ponownie: nowa grupa działa od następnego logowania.</translation>
    </message>
    <message>
        <source>Port trzyma: %1</source>
        <translation>Port trzyma: %1</translation>
    </message>
</context>
<context>
    <name>PortSearchDialog</name>
    <message>
        <source>Autokonfiguracja portu</source>
        <translation>Autokonfiguracja portu</translation>
    </message>
    <message>
        <source>Port nr:</source>
        <translation>Port nr:</translation>
    </message>
    <message>
        <source>Prędkość:</source>
        <translation>Prędkość:</translation>
    </message>
    <message>
        <source>Nr. próby:</source>
        <translation>Nr próby:</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Max nr portu:</source>
        <translation>Max nr portu:</translation>
    </message>
    <message>
        <source>&amp;Ponów</source>
        <translation>&amp;Ponów</translation>
    </message>
    <message>
        <source>&amp;Zamknij</source>
        <translation>&amp;Zamknij</translation>
    </message>
    <message>
        <source>Trwa szukanie ustawień...</source>
        <translation>Trwa szukanie ustawień...</translation>
    </message>
    <message>
        <source>Port skonfigurowany</source>
        <translation>Port skonfigurowany</translation>
    </message>
    <message>
        <source>Brak komunikacji</source>
        <translation>Brak komunikacji</translation>
    </message>
    <message>
        <source>%1: brak urządzenia</source>
        <translation>%1: brak urządzenia</translation>
    </message>
    <message>
        <source>%1: brak uprawnień do otwarcia portu</source>
        <translation>%1: brak uprawnień do otwarcia portu</translation>
    </message>
    <message>
        <source>%1: brak uprawnień do otwarcia portu. Urządzenie należy do grupy %2; dodaj do niej swoje konto poleceniem:</source>
        <translation>%1: brak uprawnień do otwarcia portu. Urządzenie należy do grupy %2; dodaj do niej swoje konto poleceniem:</translation>
    </message>
    <message>
        <source>i zaloguj się ponownie: nowa grupa działa od następnego logowania.</source>
        <translation>i zaloguj się ponownie: nowa grupa działa od następnego logowania.</translation>
    </message>
    <message>
        <source>%1: zajęty przez inny program</source>
        <translation>%1: zajęty przez inny program</translation>
    </message>
    <message>
        <source>%1: zajęty przez inny program: %2</source>
        <translation>%1: zajęty przez inny program: %2</translation>
    </message>
    <message>
        <source>%1: nie daje się otworzyć. %2</source>
        <translation>%1: nie daje się otworzyć. %2</translation>
    </message>
    <message>
        <source>%1: brak odpowiedzi przy żadnej prędkości</source>
        <translation>%1: brak odpowiedzi przy żadnej prędkości</translation>
    </message>
    <message>
        <source>%1: odpowiada, ale nie wynikiem ważenia (%2): %3</source>
        <translation>%1: odpowiada, ale nie wynikiem ważenia (%2): %3</translation>
    </message>
    <message>
        <source>Tę odpowiedź odczyta opcja „Rozpoznawaj formaty wag różnych producentów” w opcjach formatu.</source>
        <translation>Tę odpowiedź odczyta opcja „Rozpoznawaj formaty wag różnych producentów” w opcjach formatu.</translation>
    </message>
</context>
<context>
    <name>ProgramOptionsPanel</name>
    <message>
        <source>Automatyczny odczyt co</source>
        <translation>Automatyczny odczyt co</translation>
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
        <translation>tylko wyniki stabilne</translation>
    </message>
    <message>
        <source>Jednorazowo odczytuj do</source>
        <translation>Jednorazowo odczytuj do</translation>
    </message>
    <message>
        <source>bajtów</source>
        <translation>bajtów</translation>
    </message>
    <message>
        <source>Wysyłanie danych do:</source>
        <translation>Wysyłanie danych do:</translation>
    </message>
    <message>
        <source>wskazanego miejsca na ekranie</source>
        <translation>wskazanego miejsca na ekranie</translation>
    </message>
    <message>
        <source>wybranego pliku</source>
        <translation>wybranego pliku</translation>
    </message>
    <message>
        <source> Wybór pliku do zapisu danych: </source>
        <translation> Wybór pliku do zapisu danych: </translation>
    </message>
    <message>
        <source>Wybierz plik do zapisu</source>
        <translation>Wybierz plik do zapisu</translation>
    </message>
    <message>
        <source>Nie wybrano pliku</source>
        <translation>Nie wybrano pliku</translation>
    </message>
    <message>
        <source> Klawisze wagi i skróty </source>
        <translation> Klawisze wagi i skróty </translation>
    </message>
    <message>
        <source>Specjalny</source>
        <translation>Specjalny</translation>
    </message>
    <message>
        <source>skrót</source>
        <translation>skrót</translation>
    </message>
    <message>
        <source>Skrót klawiszowy działający w każdym programie</source>
        <translation>Skrót klawiszowy działający w każdym programie</translation>
    </message>
    <message>
        <source>Tara</source>
        <translation>Tara</translation>
    </message>
    <message>
        <source>Zero</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>Drukuj</source>
        <translation>Drukuj</translation>
    </message>
    <message>
        <source>Pliki tekstowe (*.txt)</source>
        <translation>Pliki tekstowe (*.txt)</translation>
    </message>
    <message>
        <source>Pliki z separatorami pól (*.csv)</source>
        <translation>Pliki z separatorami pól (*.csv)</translation>
    </message>
    <message>
        <source>Wszystkie pliki (*)</source>
        <translation>Wszystkie pliki (*)</translation>
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
        <translation>Ta sesja pulpitu nie pozwala programom na własne skróty globalne. Przypisz klawisz poleceniu „kwelta --command %1” w ustawieniach skrótów pulpitu.</translation>
    </message>
</context>
<context>
    <name>ScriptFile</name>
    <message>
        <source>nie zapisano całości (brak miejsca na dysku?)</source>
        <translation>nie zapisano całości (brak miejsca na dysku?)</translation>
    </message>
</context>
<context>
    <name>SettingsKeeper</name>
    <message>
        <source>Nie można odczytać pliku ustawień %1.</source>
        <translation>Nie można odczytać pliku ustawień %1.</translation>
    </message>
    <message>
        <source>Brak ustawienia „%1” w pliku %2 lub jego wartość jest nieprawidłowa.</source>
        <translation>Brak ustawienia „%1” w pliku %2 lub jego wartość jest nieprawidłowa.</translation>
    </message>
    <message>
        <source>Dotychczasowy plik zachowano jako %1.</source>
        <translation>Dotychczasowy plik zachowano jako %1.</translation>
    </message>
    <message>
        <source>Dotychczasowego pliku nie można było zachować.</source>
        <translation>Dotychczasowego pliku nie można było zachować.</translation>
    </message>
    <message>
        <source>Używane są ustawienia domyślne.</source>
        <translation>Używane są ustawienia domyślne.</translation>
    </message>
    <message>
        <source>Ustawienia</source>
        <translation>Ustawienia</translation>
    </message>
    <message>
        <source>Nie można zapisać ustawień w pliku %1: %2</source>
        <translation>Nie można zapisać ustawień w pliku %1: %2</translation>
    </message>
    <message>
        <source>Nie można zapisać skryptu w pliku %1: %2</source>
        <translation>Nie można zapisać skryptu w pliku %1: %2</translation>
    </message>
    <message>
        <source>Błąd</source>
        <translation>Błąd</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>nie można utworzyć folderu %1</source>
        <translation>nie można utworzyć folderu %1</translation>
    </message>
    <message>
        <source>błąd zapisu pliku %1</source>
        <translation>błąd zapisu pliku %1</translation>
    </message>
    <message>
        <source>nie zapisano całości (brak miejsca na dysku?)</source>
        <translation>nie zapisano całości (brak miejsca na dysku?)</translation>
    </message>
</context>
<context>
    <name>StatisticsPanel</name>
    <message>
        <source>Letzter Wert</source>
        <translation>Ostatnia wartość</translation>
    </message>
    <message>
        <source>Statistik</source>
        <translation>Statystyka</translation>
    </message>
    <message>
        <source>Wert:</source>
        <translation>Wartość:</translation>
    </message>
    <message>
        <source>Zeit:</source>
        <translation>Czas:</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Wyczyść</translation>
    </message>
    <message>
        <source>Anzahl:</source>
        <translation>Liczba:</translation>
    </message>
    <message>
        <source>Summe:</source>
        <translation>Suma:</translation>
    </message>
    <message>
        <source>Mittelwert:</source>
        <translation>Średnia:</translation>
    </message>
    <message>
        <source>Czekam na wyniki z wagi</source>
        <translation>Czekam na wyniki z wagi</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>Tara</source>
        <translation>Tara</translation>
    </message>
    <message>
        <source>Zero</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>Drukuj</source>
        <translation>Drukuj</translation>
    </message>
    <message>
        <source>Zakończ</source>
        <translation>Zakończ</translation>
    </message>
    <message>
        <source>Ukryj</source>
        <translation>Ukryj</translation>
    </message>
    <message>
        <source>Pokaż</source>
        <translation>Pokaż</translation>
    </message>
</context>
<context>
    <name>TypingStatus</name>
    <message>
        <source>Wpisywanie wyłączone: pulpit nie zezwolił na nie.</source>
        <translation>Wpisywanie wyłączone: pulpit nie zezwolił na nie.</translation>
    </message>
    <message>
        <source>Wpisywanie wyłączone: pulpit cofnął zezwolenie.</source>
        <translation>Wpisywanie wyłączone: pulpit cofnął zezwolenie.</translation>
    </message>
    <message>
        <source>Wpisywanie wyłączone: błąd portalu pulpitu.</source>
        <translation>Wpisywanie wyłączone: błąd portalu pulpitu.</translation>
    </message>
    <message>
        <source>Wyniki są nadal liczone i zapisywane do pliku.</source>
        <translation>Wyniki są nadal liczone i zapisywane do pliku.</translation>
    </message>
    <message>
        <source>Zapytaj ponownie</source>
        <translation>Zapytaj ponownie</translation>
    </message>
</context>
</TS>
