<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AddressPanel</name>
    <message>
        <source>IP du Mac</source>
        <translation>Mac IP</translation>
    </message>
    <message>
        <source>Copier l&apos;IP</source>
        <translation>Copy IP</translation>
    </message>
    <message>
        <source>Code QR</source>
        <translation>QR code</translation>
    </message>
    <message>
        <source>Rafraîchir</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Ou ouvrez cette adresse dans le navigateur du téléphone</source>
        <translation>Or open this address in the phone&apos;s browser</translation>
    </message>
</context>
<context>
    <name>CommandFeedbackBanner</name>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
</context>
<context>
    <name>ConnectionHeader</name>
    <message>
        <source>Quorvelantis Remote</source>
        <translation>Quorvelantis Remote</translation>
    </message>
</context>
<context>
    <name>InstructionList</name>
    <message>
        <source>Sur l&apos;iPhone, ouvrez un texte puis touchez l&apos;icône </source>
        <translation>On the iPhone, open a text, then tap the </translation>
    </message>
    <message>
        <source> en bas de l&apos;écran pour configurer la connexion.</source>
        <translation> icon at the bottom of the screen to set up the connection.</translation>
    </message>
    <message>
        <source>Lancez votre présentation en mode diaporama ou plein écran.</source>
        <translation>Start your presentation as a slideshow or in full screen.</translation>
    </message>
    <message>
        <source>Si l&apos;iPhone ne trouve pas le Mac, saisissez cette IP et le port dans l&apos;app Quorvelantis.</source>
        <translation>If the iPhone does not find the Mac, enter this IP and the port in the Quorvelantis app.</translation>
    </message>
    <message>
        <source>Cliquez sur Autoriser et saisissez le mot de passe administrateur.</source>
        <translation>Click Allow and enter the administrator password.</translation>
    </message>
    <message>
        <source>Cliquez sur Autoriser, puis autorisez l&apos;interaction à distance dans la fenêtre du bureau (aucun mot de passe).</source>
        <translation>Click Allow, then allow remote interaction in the desktop&apos;s dialog (no password).</translation>
    </message>
    <message>
        <source>Rien à autoriser sur ce bureau.</source>
        <translation>Nothing to allow on this desktop.</translation>
    </message>
</context>
<context>
    <name>InvitedPhonesSection</name>
    <message>
        <source>Seulement les téléphones invités</source>
        <translation>Only invited phones</translation>
    </message>
    <message>
        <source>Chaque téléphone entre en scannant le code QR une fois ; le public et quiconque ne connaît que l&apos;adresse ne peuvent plus changer les slides. Sans chiffrement sur le réseau local, cela ne protège pas de quelqu&apos;un qui enregistre le trafic du Wi-Fi.</source>
        <translation>Each phone joins by scanning the QR code once; the audience, and anyone who only knows the address, can no longer change the slides. Without encryption on the local network, this does not protect from someone who records the Wi-Fi&apos;s traffic.</translation>
    </message>
    <message>
        <source>1 demande refusée de %1 : appareil non invité</source>
        <translation>1 request refused from %1: device not invited</translation>
    </message>
    <message>
        <source>%1 demandes refusées de %2 : appareil non invité</source>
        <translation>%1 requests refused from %2: device not invited</translation>
    </message>
    <message>
        <source>Aucun téléphone invité : ouvrez le code QR et scannez-le avec le téléphone.</source>
        <translation>No phone invited: open the QR code and scan it with the phone.</translation>
    </message>
    <message>
        <source>connecté</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>non connecté</source>
        <translation>not connected</translation>
    </message>
    <message>
        <source>invité le %1</source>
        <translation>invited on %1</translation>
    </message>
    <message>
        <source>Déconnecter</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Oublier tous les téléphones</source>
        <translation>Forget all phones</translation>
    </message>
</context>
<context>
    <name>MacRemoteService</name>
    <message>
        <source>application</source>
        <translation>application</translation>
    </message>
    <message>
        <source>✅ Accessibilité autorisée</source>
        <translation>✅ Accessibility allowed</translation>
    </message>
    <message>
        <source>Port %1 indisponible</source>
        <translation>Port %1 unavailable</translation>
    </message>
    <message>
        <source>Port %1 en démarrage</source>
        <translation>Port %1 starting</translation>
    </message>
    <message>
        <source>IP active sur le port %1</source>
        <translation>Listening on port %1</translation>
    </message>
    <message>
        <source>Port %1 arrêté</source>
        <translation>Port %1 stopped</translation>
    </message>
    <message>
        <source>Aucune IP réseau</source>
        <translation>No network IP</translation>
    </message>
    <message>
        <source>En attente de l&apos;iPhone</source>
        <translation>Waiting for the iPhone</translation>
    </message>
    <message>
        <source>Recherche...</source>
        <translation>Searching...</translation>
    </message>
    <message>
        <source>Démarrage...</source>
        <translation>Starting...</translation>
    </message>
    <message>
        <source>Aucune commande reçue</source>
        <translation>No command received</translation>
    </message>
    <message>
        <source>Partage indisponible</source>
        <translation>Sharing unavailable</translation>
    </message>
    <message>
        <source>Connexion iPhone...</source>
        <translation>iPhone connecting...</translation>
    </message>
    <message>
        <source>iPhone connecté</source>
        <translation>iPhone connected</translation>
    </message>
    <message>
        <source>⚠️ Autorisation Accessibilité requise</source>
        <translation>⚠️ Accessibility permission required</translation>
    </message>
    <message>
        <source>⚠️ Cliquez sur Autoriser → mot de passe admin</source>
        <translation>⚠️ Click Allow → administrator password</translation>
    </message>
    <message>
        <source>⚠️ Extension XTEST absente</source>
        <translation>⚠️ XTEST extension missing</translation>
    </message>
    <message>
        <source>Commande clavier impossible</source>
        <translation>Key command failed</translation>
    </message>
    <message>
        <source>◀ Slide précédente</source>
        <translation>◀ Previous slide</translation>
    </message>
    <message>
        <source>■ Écran noir / retour</source>
        <translation>■ Black screen / back</translation>
    </message>
    <message>
        <source>⏮ Première slide</source>
        <translation>⏮ First slide</translation>
    </message>
    <message>
        <source>⏭ Dernière slide</source>
        <translation>⏭ Last slide</translation>
    </message>
    <message>
        <source>▶ Slide suivante</source>
        <translation>▶ Next slide</translation>
    </message>
    <message>
        <source>Texte vide</source>
        <translation>Empty text</translation>
    </message>
    <message>
        <source>Texte du Mac</source>
        <translation>Text from the Mac</translation>
    </message>
    <message>
        <source>✅ Texte envoyé à l&apos;iPhone</source>
        <translation>Text sent to the iPhone</translation>
    </message>
    <message>
        <source>✅ Texte prêt — l&apos;iPhone le récupère à la prochaine commande</source>
        <translation>Text ready — the iPhone picks it up with its next command</translation>
    </message>
    <message>
        <source>Port %1 indisponible — %2</source>
        <translation>Port %1 unavailable — %2</translation>
    </message>
    <message>
        <source>Port %1 réservé à l&apos;administrateur — %2</source>
        <translation>Port %1 reserved for the administrator — %2</translation>
    </message>
    <message>
        <source>⏳ Commande en attente de l&apos;autorisation</source>
        <translation>⏳ Command waiting for access</translation>
    </message>
    <message>
        <source>⚠️ Commande abandonnée : autorisation non accordée en 60 s</source>
        <translation>⚠️ Command dropped: access not granted within 60 s</translation>
    </message>
    <message>
        <source>⚠️ Cliquez sur Autoriser → autorisez l&apos;interaction à distance</source>
        <translation>⚠️ Click Allow → allow remote interaction</translation>
    </message>
    <message>
        <source>Page ouverte sur un téléphone (HTTP)</source>
        <translation>Page open on a phone (HTTP)</translation>
    </message>
</context>
<context>
    <name>MacRemoteView</name>
    <message>
        <source>Télécommande</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>Envoyer un texte</source>
        <translation>Send a text</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>Quorvelantis Remote</source>
        <translation>Quorvelantis Remote</translation>
    </message>
</context>
<context>
    <name>PermissionWarning</name>
    <message>
        <source>Autorisation Accessibilité manquante</source>
        <translation>Accessibility permission missing</translation>
    </message>
    <message>
        <source>Les touches clavier ne peuvent pas être envoyées sans cette autorisation.</source>
        <translation>Key presses cannot be sent without this permission.</translation>
    </message>
    <message>
        <source>Extension XTEST absente : le serveur X refuse les touches simulées.</source>
        <translation>XTEST extension missing: the X server refuses simulated keys.</translation>
    </message>
    <message>
        <source>Autoriser</source>
        <translation>Allow</translation>
    </message>
    <message>
        <source>Le bureau redemandera l&apos;autorisation à chaque démarrage</source>
        <translation>The desktop will ask for permission again at every start</translation>
    </message>
</context>
<context>
    <name>PortSection</name>
    <message>
        <source>Port HTTP fallback</source>
        <translation>HTTP fallback port</translation>
    </message>
    <message>
        <source>Appliquer</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Ports alternatifs : 8080, 8443, 8888</source>
        <translation>Alternative ports: 8080, 8443, 8888</translation>
    </message>
</context>
<context>
    <name>QrOverlay</name>
    <message>
        <source>Aucune IP réseau : reliez le Mac au réseau du téléphone, puis touchez Rafraîchir.</source>
        <translation>No network IP: connect the Mac to the phone&apos;s network, then press Refresh.</translation>
    </message>
    <message>
        <source>Le serveur HTTP n&apos;est pas actif (%1) : choisissez un autre port.</source>
        <translation>The HTTP server is not active (%1): choose another port.</translation>
    </message>
    <message>
        <source>Code QR</source>
        <translation>QR code</translation>
    </message>
    <message>
        <source>Pas de code QR</source>
        <translation>No QR code</translation>
    </message>
    <message>
        <source>Scannez avec l&apos;appareil photo du téléphone</source>
        <translation>Scan with the phone&apos;s camera</translation>
    </message>
</context>
<context>
    <name>RemoteTab</name>
    <message>
        <source>Touches → %1</source>
        <translation>Keys → %1</translation>
    </message>
    <message>
        <source>iPhone connecté</source>
        <translation>iPhone connected</translation>
    </message>
    <message>
        <source>En attente</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>⚠️ Touches → cette fenêtre : revenez à votre présentation (Alt+Tab)</source>
        <translation>⚠️ Keys → this window: switch back to your presentation (Alt+Tab)</translation>
    </message>
    <message>
        <source>⚠️ Aucune fenêtre ne reçoit les touches : revenez à votre présentation (Alt+Tab)</source>
        <translation>⚠️ No window receives the keys: switch back to your presentation (Alt+Tab)</translation>
    </message>
</context>
<context>
    <name>SendTextTab</name>
    <message>
        <source>section</source>
        <translation>section</translation>
    </message>
    <message>
        <source>sections</source>
        <translation>sections</translation>
    </message>
    <message>
        <source>%1 %2 ·</source>
        <translation>%1 %2 ·</translation>
    </message>
    <message>
        <source>Lancez Quorvelantis sur votre iPhone pour envoyer du texte.</source>
        <translation>Open Quorvelantis on your iPhone to send text.</translation>
    </message>
    <message>
        <source>Titre (optionnel)</source>
        <translation>Title (optional)</translation>
    </message>
    <message>
        <source>Mon discours, Réunion Q3...</source>
        <translation>My speech, Q3 meeting...</translation>
    </message>
    <message>
        <source>Script / Texte</source>
        <translation>Script / Text</translation>
    </message>
    <message>
        <source>Collez ou saisissez votre texte ici…</source>
        <translation>Paste or type your text here…</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>mot</source>
        <translation>word</translation>
    </message>
    <message>
        <source>mots</source>
        <translation>words</translation>
    </message>
    <message>
        <source>Envoyer à l&apos;iPhone</source>
        <translation>Send to iPhone</translation>
    </message>
</context>
<context>
    <name>StoreLink</name>
    <message>
        <source>Vous n&apos;avez pas l&apos;app iPhone ?</source>
        <translation>Don&apos;t have the iPhone app?</translation>
    </message>
    <message>
        <source>Télécharger sur l&apos;App Store</source>
        <translation>Download on the App Store</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>Lancer à l&apos;ouverture de session</source>
        <translation>Start with the session</translation>
    </message>
    <message>
        <source>Afficher la fenêtre</source>
        <translation>Show window</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Quorvelantis Remote — %1</source>
        <translation>Quorvelantis Remote — %1</translation>
    </message>
    <message>
        <source>iPhone connecté</source>
        <translation>iPhone connected</translation>
    </message>
    <message>
        <source>En attente</source>
        <translation>Waiting</translation>
    </message>
</context>
</TS>
